#include "DetailIcons.h"

#include "ResultDetail.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kWidth = 16, kHeight = 20;
// The drawing square inside the icon.
const QRectF kBox(0.5, 2.5, 15, 15);

using Draw = void (*)(QPainter&);

QPixmap Icon(Draw draw) {
    QPixmap pixmap(kWidth, kHeight);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return pixmap;
}

void Stroke(QPainter& p, const QColor& colour, qreal width, const QPainterPath& path) {
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

void Disc(QPainter& p, const QColor& colour) {
    p.setPen(QPen(colour.darker(150), 1));
    p.setBrush(colour);
    p.drawEllipse(kBox.adjusted(0.5, 0.5, -0.5, -0.5));
}

void Screen(QPainter& p) {
    p.setPen(QPen(QColor(170, 170, 170), 1));
    p.setBrush(QColor(30, 40, 60));
    p.drawRect(QRectF(1.5, 4.5, 13, 9));
    p.drawLine(QPointF(5, 16.5), QPointF(11, 16.5));
    QPainterPath cross;
    cross.moveTo(5, 6.5);
    cross.lineTo(11, 11.5);
    cross.moveTo(11, 6.5);
    cross.lineTo(5, 11.5);
    Stroke(p, QColor(230, 40, 40), 1.6, cross);
}

void Flag(QPainter& p) {
    p.setPen(QPen(QColor(190, 190, 190), 1.2));
    p.drawLine(QPointF(3.5, 3), QPointF(3.5, 17));
    QPainterPath flag;
    flag.moveTo(4, 4);
    flag.cubicTo(8, 2, 9, 7, 14, 5);
    flag.lineTo(14, 11);
    flag.cubicTo(9, 13, 8, 8, 4, 10);
    flag.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 140, 230));
    p.drawPath(flag);
}

void BlackSquare(QPainter& p) {
    p.setPen(QPen(QColor(150, 150, 150), 1));
    p.setBrush(Qt::black);
    p.drawRect(kBox.adjusted(1, 1, -1, -1));
}

void ColourBars(QPainter& p) {
    const QColor bars[] = {Qt::white, Qt::yellow, Qt::cyan, Qt::green, Qt::magenta, Qt::red, Qt::blue};
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 7; ++i) {
        p.setBrush(bars[i]);
        p.drawRect(QRectF(1 + i * 2, 3, 2, 14));
    }
}

void Pie(QPainter& p) {
    const QColor parts[] = {QColor(230, 60, 60), QColor(60, 180, 60), QColor(60, 110, 230), QColor(240, 200, 40)};
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
        p.setBrush(parts[i]);
        p.drawPie(kBox.adjusted(0.5, 0.5, -0.5, -0.5), i * 90 * 16, 90 * 16);
    }
}

void Mosaic(QPainter& p) {
    p.setPen(Qt::NoPen);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const int shade = ((x * 7 + y * 5) % 4) * 50 + 60;
            p.setBrush(QColor(shade, shade / 2 + 40, 255 - shade));
            p.drawRect(QRectF(1 + x * 3.5, 3 + y * 3.5, 3.5, 3.5));
        }
}

// Level bars: heights from none (silence) to full (too high), in the channel's colour.
void Levels(QPainter& p, int level, const QColor& colour) {
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
        const qreal full = 3 + i * 3;
        const qreal h = level == 0 ? 1 : level == 1 ? full / 3 : full;
        p.setBrush(level == 2 && i == 3 ? QColor(230, 40, 40) : colour);
        p.drawRect(QRectF(1 + i * 4, 17 - h, 3, h));
    }
}
const QColor kLeft(80, 200, 80), kRight(80, 160, 230);

void Plus(QPainter& p) {
    Disc(p, QColor(40, 160, 40));
    QPainterPath path;
    path.moveTo(4.5, 10);
    path.lineTo(11.5, 10);
    path.moveTo(8, 6.5);
    path.lineTo(8, 13.5);
    Stroke(p, Qt::white, 2, path);
}

void Minus(QPainter& p) {
    Disc(p, QColor(200, 40, 40));
    QPainterPath path;
    path.moveTo(4.5, 10);
    path.lineTo(11.5, 10);
    Stroke(p, Qt::white, 2, path);
}

void Info(QPainter& p) {
    Disc(p, QColor(40, 100, 210));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(7, 5, 2, 2));
    p.drawRect(QRectF(7, 8, 2, 6.5));
}

void Question(QPainter& p) {
    Disc(p, QColor(120, 120, 120));
    QPainterPath path;
    path.moveTo(5.5, 7.5);
    path.cubicTo(5.5, 4.5, 10.5, 4.5, 10.5, 7.5);
    path.cubicTo(10.5, 9.5, 8, 9.5, 8, 12);
    Stroke(p, Qt::white, 1.8, path);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(7, 13.5, 2, 2));
}

void Tick(QPainter& p) {
    QPainterPath path;
    path.moveTo(2.5, 10);
    path.lineTo(6.5, 14);
    path.lineTo(13.5, 5);
    Stroke(p, QColor(0, 200, 0), 2.6, path);
}

void Cross(QPainter& p) {
    QPainterPath path;
    path.moveTo(3.5, 5);
    path.lineTo(12.5, 14);
    path.moveTo(12.5, 5);
    path.lineTo(3.5, 14);
    Stroke(p, QColor(230, 0, 0), 2.6, path);
}

}  // namespace

QList<QPixmap> DetailIcons() {
    const Draw draws[quarvik::kDetailIconCount] = {
        Screen,
        Flag,
        BlackSquare,
        ColourBars,
        Pie,
        Mosaic,
        [](QPainter& p) { Levels(p, 0, kLeft); },
        [](QPainter& p) { Levels(p, 1, kLeft); },
        [](QPainter& p) { Levels(p, 2, kLeft); },
        [](QPainter& p) { Levels(p, 0, kRight); },
        [](QPainter& p) { Levels(p, 1, kRight); },
        [](QPainter& p) { Levels(p, 2, kRight); },
        Plus,
        Minus,
        Info,
        Question,
        Tick,
        Cross,
    };
    QList<QPixmap> icons;
    for (Draw draw : draws) icons.append(Icon(draw));
    return icons;
}
