#include "TabIcons.h"

#include <QPainter>

namespace {

QPixmap Disc(const QColor& colour) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(colour.darker(160));
    p.setBrush(colour);
    p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    return pm;
}

QPixmap Bars() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    const QColor colours[] = {QColor(70, 140, 220), QColor(230, 170, 40), QColor(80, 190, 80)};
    const int heights[] = {6, 11, 8};
    for (int i = 0; i < 3; ++i) p.fillRect(2 + i * 4, 14 - heights[i], 3, heights[i], colours[i]);
    p.setPen(QColor(200, 200, 200));
    p.drawLine(1, 14, 14, 14);
    return pm;
}

QPixmap Clock() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(QColor(235, 235, 235));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.drawLine(QPointF(8, 8), QPointF(8, 4));
    p.drawLine(QPointF(8, 8), QPointF(11, 9));
    return pm;
}

QPixmap DocumentWithPencil() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(90, 90, 90));
    p.setBrush(Qt::white);
    p.drawRect(2, 1, 9, 13);
    for (int y = 4; y <= 10; y += 3) p.drawLine(4, y, 9, y);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(230, 160, 30), 2.5));
    p.drawLine(QPointF(8, 14), QPointF(14, 6));
    return pm;
}

}  // namespace

QList<QPixmap> TabIcons() {
    return {Disc(QColor(40, 190, 40)), Bars(), Clock(), DocumentWithPencil(), Disc(QColor(220, 40, 40))};
}
