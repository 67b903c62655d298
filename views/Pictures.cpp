#include "Pictures.h"

#include "BmpFile.h"
#include "TaskRecords.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <cstring>
#include <vector>

namespace quarvik {
namespace {

// Stands for a file whose first picture could not be taken: a film frame on dark grey.
QImage DefaultFacePicture()
{
    QImage picture(kFacePictureSize, kFacePictureSize, QImage::Format_RGB32);
    picture.fill(QColor(64, 64, 64));
    QPainter painter(&picture);
    painter.fillRect(4, 8, 32, 24, QColor(128, 128, 128));
    for (int x = 6; x < 36; x += 6) {
        painter.fillRect(x, 10, 3, 2, QColor(64, 64, 64));
        painter.fillRect(x, 28, 3, 2, QColor(64, 64, 64));
    }
    painter.fillRect(8, 14, 24, 12, QColor(192, 192, 192));
    return picture;
}

}  // namespace

QImage FacePicture(const uint8_t* pixels, int32_t size)
{
    if (!pixels || size < kFaceImageSize)
        return DefaultFacePicture();
    return QImage(pixels, kFacePictureSize, kFacePictureSize, kFacePictureSize * 3, QImage::Format_BGR888)
        .convertToFormat(QImage::Format_RGB32);
}

QImage FormatPicture(FormatIcon icon)
{
    QImage picture(kFacePictureSize, kFacePictureSize, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    if (icon == kFormatIconValid) {
        painter.setPen(QPen(QColor(0, 160, 0), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath tick;
        tick.moveTo(9, 21);
        tick.lineTo(17, 29);
        tick.lineTo(31, 11);
        painter.drawPath(tick);
    } else if (icon == kFormatIconInvalid) {
        painter.setPen(QPen(QColor(220, 0, 0), 5, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(11, 11, 29, 29);
        painter.drawLine(29, 11, 11, 29);
    }
    return picture;
}

bool SavePictureBmp(const QImage& picture, const std::string& path, std::string& error)
{
    const QImage bgr = picture.convertToFormat(QImage::Format_BGR888);
    const size_t rowBytes = static_cast<size_t>(bgr.width()) * 3;
    std::vector<uint8_t> pixels(rowBytes * bgr.height());
    for (int y = 0; y < bgr.height(); ++y)
        std::memcpy(pixels.data() + y * rowBytes, bgr.constScanLine(y), rowBytes);
    return WriteFileBytes(path, EncodeBmp24(pixels.data(), bgr.width(), bgr.height()), error);
}

}  // namespace quarvik
