#include "ListPictures.h"

#include "TaskRecords.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kSide = kListPictureSide;

QPixmap Blank() {
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap DrawIcon(const QColor& colour, const QPainterPath& path) {
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    return pixmap;
}

}  // namespace

QPixmap DefaultThumbnail() {
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(QColor(38, 38, 38));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF film(5.5, 8.5, 29, 23);
    p.setPen(QPen(QColor(120, 120, 120), 1));
    p.setBrush(QColor(64, 64, 64));
    p.drawRoundedRect(film, 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 30, 30));
    for (int x = 8; x <= 30; x += 5) {
        p.drawRect(QRectF(x, 10, 3, 2.5));
        p.drawRect(QRectF(x, 27.5, 3, 2.5));
    }
    p.setBrush(QColor(96, 140, 190));
    p.drawRect(QRectF(9, 14, 22, 12));
    return pixmap;
}

QPixmap ThumbnailFromBgr(const std::vector<uint8_t>& pixels) {
    if (pixels.size() != static_cast<size_t>(kSide * kSide * 3)) return DefaultThumbnail();
    const QImage bgr(pixels.data(), kSide, kSide, kSide * 3, QImage::Format_BGR888);
    return QPixmap::fromImage(bgr.copy());
}

QList<QPixmap> FormatIcons() {
    QPainterPath tick;
    tick.moveTo(9, 21);
    tick.lineTo(17, 29);
    tick.lineTo(31, 11);
    QPainterPath cross;
    cross.moveTo(11, 11);
    cross.lineTo(29, 29);
    cross.moveTo(29, 11);
    cross.lineTo(11, 29);
    return {Blank(), DrawIcon(QColor(0, 200, 0), tick), DrawIcon(QColor(230, 0, 0), cross)};
}

FormatIcon FormatIconOf(int32_t fmtError) {
    if (fmtError == quarvik::kFormatNotChecked) return kFormatIconNone;
    return fmtError == quarvik::kFormatInvalid ? kFormatIconFailed : kFormatIconPassed;
}
