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

// A lightning bolt over a picture that is half light, half dark (or red for the red flash).
void Bolt(QPainter& p, const QColor& light, const QColor& bolt) {
    p.setPen(Qt::NoPen);
    p.setBrush(light);
    p.drawRect(QRectF(1, 3, 7, 14));
    p.setBrush(QColor(20, 20, 20));
    p.drawRect(QRectF(8, 3, 7, 14));
    QPainterPath path;
    path.moveTo(10, 2.5);
    path.lineTo(4.5, 10.5);
    path.lineTo(8, 10.5);
    path.lineTo(6, 17.5);
    path.lineTo(12, 8.5);
    path.lineTo(8.5, 8.5);
    path.closeSubpath();
    p.setPen(QPen(QColor(60, 40, 0), 0.8));
    p.setBrush(bolt);
    p.drawPath(path);
}

void Stripes(QPainter& p) {
    p.setPen(QPen(QColor(150, 150, 150), 1));
    p.setBrush(Qt::black);
    p.drawRect(kBox.adjusted(1, 1, -1, -1));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (int i = 0; i < 6; ++i)
        p.drawRect(QRectF(3 + i * 2, 4, 1, 12));
}

// The flash's bolt beside an orange warning sign: flashing that warns and does not fail.
void FlashWarning(QPainter& p) {
    Bolt(p, QColor(245, 245, 245), QColor(250, 220, 40));
    QPainterPath sign;
    sign.moveTo(11, 9);
    sign.lineTo(15.5, 17.5);
    sign.lineTo(6.5, 17.5);
    sign.closeSubpath();
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(QColor(255, 140, 0));
    p.drawPath(sign);
    p.setPen(QPen(Qt::black, 1.2));
    p.drawLine(QPointF(11, 11.5), QPointF(11, 14.8));
    p.drawPoint(QPointF(11, 16.3));
}

// A waveform trace that crosses the red limit line at the top.
void LumaLevel(QPainter& p) {
    p.setPen(QPen(QColor(150, 150, 150), 1));
    p.setBrush(QColor(20, 30, 20));
    p.drawRect(kBox.adjusted(1, 1, -1, -1));
    p.setPen(QPen(QColor(230, 40, 40), 1));
    p.drawLine(QPointF(2, 6.5), QPointF(14, 6.5));
    QPainterPath trace;
    trace.moveTo(2.5, 14);
    trace.cubicTo(5, 12, 6, 3, 8, 4);
    trace.cubicTo(10, 5, 11, 13, 13.5, 11);
    Stroke(p, QColor(90, 230, 90), 1.3, trace);
}

// The colour triangle with a point outside it.
void Gamut(QPainter& p) {
    QPainterPath triangle;
    triangle.moveTo(8, 4);
    triangle.lineTo(14, 16);
    triangle.lineTo(2, 16);
    triangle.closeSubpath();
    QLinearGradient shade(2, 16, 14, 16);
    shade.setColorAt(0, QColor(60, 90, 240));
    shade.setColorAt(0.5, QColor(60, 200, 80));
    shade.setColorAt(1, QColor(230, 60, 60));
    p.setPen(QPen(QColor(200, 200, 200), 0.8));
    p.setBrush(shade);
    p.drawPath(triangle);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(QColor(230, 40, 40));
    p.drawEllipse(QPointF(12.5, 5.5), 2.2, 2.2);
}

// A screen whose picture is torn: its lower half slipped and a block of garbage in it.
void TornPicture(QPainter& p) {
    p.setPen(QPen(QColor(170, 170, 170), 1));
    p.setBrush(QColor(30, 40, 60));
    p.drawRect(QRectF(1.5, 4.5, 13, 9));
    p.drawLine(QPointF(5, 16.5), QPointF(11, 16.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 140, 200));
    p.drawRect(QRectF(2, 5, 12, 4));
    p.drawRect(QRectF(5, 9, 9, 4));
    p.setBrush(QColor(40, 220, 80));
    p.drawRect(QRectF(2, 9, 3, 4));
    p.setBrush(QColor(220, 40, 220));
    p.drawRect(QRectF(9, 9, 3, 2));
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
        [](QPainter& p) { Bolt(p, QColor(245, 245, 245), QColor(250, 220, 40)); },
        [](QPainter& p) { Bolt(p, QColor(230, 30, 30), QColor(250, 220, 40)); },
        Stripes,
        LumaLevel,
        Gamut,
        TornPicture,
        FlashWarning,
    };
    QList<QPixmap> icons;
    for (Draw draw : draws) icons.append(Icon(draw));
    return icons;
}
