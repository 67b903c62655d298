#include "ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QImage Draw(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QLinearGradient face(0, 0, 0, s);
    face.setColorAt(0, QColor(60, 190, 60));
    face.setColorAt(1, QColor(0, 110, 0));
    p.setPen(QPen(QColor(20, 20, 20), s / 16));
    p.setBrush(face);
    p.drawEllipse(QRectF(s / 16, s / 16, s * 14 / 16, s * 14 / 16));
    QPainterPath tick;
    tick.moveTo(s * 0.28, s * 0.52);
    tick.lineTo(s * 0.44, s * 0.68);
    tick.lineTo(s * 0.74, s * 0.34);
    p.setPen(QPen(Qt::white, s / 9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
    p.end();
    return image;
}

}  // namespace

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64}) icon.addPixmap(QPixmap::fromImage(Draw(size)));
    return icon;
}

QImage ProgramIconImage(int size) { return Draw(size); }
