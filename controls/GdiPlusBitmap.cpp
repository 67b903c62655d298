#include "GdiPlusBitmap.h"

#include "CaptionPictures.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

using namespace brindle;

bool CGdiPlusBitmap::Take(const QImage& image, const QString& error) {
    if (image.isNull()) {
        m_error = error;
        return false;
    }
    m_image = image;
    m_error.clear();
    return true;
}

bool CGdiPlusBitmap::Load(const QString& path) {
    QImageReader reader(path);
    const QImage image = reader.read();
    return Take(image, QStringLiteral("%1: %2").arg(path, reader.errorString()));
}

bool CGdiPlusBitmap::LoadFromData(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    const QImage image = reader.read();
    return Take(image, reader.errorString());
}

bool CGdiPlusBitmapResource::Load(int number) {
    for (CaptionButton button : {CaptionButton::Close, CaptionButton::Maximise, CaptionButton::Restore,
                                 CaptionButton::Minimise, CaptionButton::Menu})
        for (ButtonLook look : {ButtonLook::Normal, ButtonLook::Hover, ButtonLook::Pressed})
            if (CaptionPictureNumber(button, look) == number)
                return Take(CaptionPicture(button, look).toImage(), {});
    return Take({}, QStringLiteral("no picture number %1").arg(number));
}

namespace {

// The suffixes of each kind of file; anything else is a plain file.
CSystemImageList::Kind KindOfSuffix(const QString& suffix) {
    static const QStringList video{"ts", "mxf", "mp4", "mov", "mpg", "mpeg", "avi", "mkv", "wmv", "m2ts", "vob", "flv"};
    static const QStringList audio{"wav", "mp3", "aac", "ac3", "flac", "m4a", "wma", "aiff"};
    static const QStringList picture{"png", "jpg", "jpeg", "bmp", "gif", "tif", "tiff"};
    static const QStringList text{"txt", "xml", "html", "htm", "csv", "log", "json", "ini"};
    if (video.contains(suffix)) return CSystemImageList::kVideo;
    if (audio.contains(suffix)) return CSystemImageList::kAudio;
    if (picture.contains(suffix)) return CSystemImageList::kPicture;
    if (text.contains(suffix)) return CSystemImageList::kText;
    return CSystemImageList::kFile;
}

QPixmap Folder(int side, bool up) {
    QPixmap pm(side, side);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 16.0, side / 16.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 160, 60));
    p.drawRect(QRectF(1, 3, 6, 2));
    p.setBrush(QColor(230, 190, 80));
    p.drawRect(QRectF(1, 5, 14, 9));
    if (up) {
        p.setPen(QPen(QColor(60, 40, 0), 1.5));
        p.drawLine(QPointF(8, 12), QPointF(8, 7));
        p.drawPolyline(QPolygonF{QPointF(5.5, 9), QPointF(8, 6.5), QPointF(10.5, 9)});
    }
    return pm;
}

QPixmap Sheet(int side, const QColor& band, const QString& mark) {
    QPixmap pm(side, side);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 16.0, side / 16.0);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(QColor(220, 220, 220));
    p.drawPolygon(QPolygonF{QPointF(3, 1), QPointF(10, 1), QPointF(13, 4), QPointF(13, 15), QPointF(3, 15)});
    if (band.isValid()) {
        p.setPen(Qt::NoPen);
        p.setBrush(band);
        p.drawRect(QRectF(3.5, 8, 9, 6.5));
        QFont f = p.font();
        f.setPixelSize(6);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(3.5, 8, 9, 6.5), Qt::AlignCenter, mark);
    }
    return pm;
}

}  // namespace

CSystemImageList::CSystemImageList(int side) : m_side(qMax(8, side)) {
    m_pictures = {Folder(m_side, false),
                  Folder(m_side, true),
                  Sheet(m_side, {}, {}),
                  Sheet(m_side, QColor(60, 100, 190), QStringLiteral("V")),
                  Sheet(m_side, QColor(0, 140, 90), QStringLiteral("A")),
                  Sheet(m_side, QColor(180, 90, 30), QStringLiteral("P")),
                  Sheet(m_side, QColor(110, 110, 110), QStringLiteral("T"))};
}

CSystemImageList::Kind CSystemImageList::KindOf(const QString& name, bool folder) {
    if (folder) return name == QStringLiteral("..") ? kParentFolder : kFolder;
    return KindOfSuffix(QFileInfo(name).suffix().toLower());
}
