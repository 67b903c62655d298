#include "CaptionPictures.h"

#include "BrindleColors.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

namespace brindle {
namespace {

struct ButtonRow {
    CaptionButton button;
    int width;
    int pictures[3];  // normal, hover, pressed
};

constexpr ButtonRow kButtons[] = {
    {CaptionButton::Close, 45, {465, 479, 478}},
    {CaptionButton::Maximise, 31, {477, 476, 475}},
    {CaptionButton::Restore, 31, {468, 467, 466}},
    {CaptionButton::Minimise, 31, {471, 470, 469}},
    {CaptionButton::Menu, 31, {474, 473, 472}},
};

const ButtonRow& Row(CaptionButton button) {
    for (const ButtonRow& row : kButtons)
        if (row.button == button) return row;
    return kButtons[0];
}

QColor FaceColour(CaptionButton button, ButtonLook look) {
    if (look == ButtonLook::Normal) return kCaptionBack;
    // Close warns in red as desktop users expect; the others light up in grey.
    if (button == CaptionButton::Close)
        return look == ButtonLook::Hover ? QColor(196, 43, 28) : QColor(148, 30, 20);
    return look == ButtonLook::Hover ? QColor(64, 64, 64) : QColor(96, 96, 96);
}

void DrawGlyph(QPainter& p, CaptionButton button, QPointF c) {
    switch (button) {
    case CaptionButton::Close:
        p.drawLine(c + QPointF(-5, -5), c + QPointF(5, 5));
        p.drawLine(c + QPointF(-5, 5), c + QPointF(5, -5));
        break;
    case CaptionButton::Maximise:
        p.drawRect(QRectF(c.x() - 5, c.y() - 5, 10, 10));
        break;
    case CaptionButton::Restore:
        p.drawRect(QRectF(c.x() - 5, c.y() - 3, 8, 8));
        p.drawPolyline(QPolygonF{c + QPointF(-3, -3), c + QPointF(-3, -5), c + QPointF(5, -5),
                                 c + QPointF(5, 3), c + QPointF(3, 3)});
        break;
    case CaptionButton::Minimise:
        p.drawLine(c + QPointF(-5, 0.5), c + QPointF(5, 0.5));
        break;
    case CaptionButton::Menu: {
        QPainterPath arrow;
        arrow.moveTo(c + QPointF(-5, -2));
        arrow.lineTo(c + QPointF(5, -2));
        arrow.lineTo(c + QPointF(0, 3));
        arrow.closeSubpath();
        p.fillPath(arrow, p.pen().color());
        break;
    }
    }
}

QPixmap Draw(CaptionButton button, ButtonLook look) {
    const int width = Row(button).width;
    QPixmap picture(width, kCaptionButtonHeight);
    picture.fill(FaceColour(button, look));
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing, button == CaptionButton::Menu);
    const QColor ink = look == ButtonLook::Normal ? kTitleActive : QColor(255, 255, 255);
    p.setPen(QPen(ink, 1.0));
    DrawGlyph(p, button, QPointF(width / 2, kCaptionButtonHeight / 2) + QPointF(0.5, 0.5));
    return picture;
}

}  // namespace

int CaptionButtonWidth(CaptionButton button) { return Row(button).width; }

int CaptionPictureNumber(CaptionButton button, ButtonLook look) {
    return Row(button).pictures[static_cast<int>(look)];
}

QPixmap CaptionPicture(CaptionButton button, ButtonLook look) {
    // GUI thread only, like every pixmap.
    static QHash<int, QPixmap> cache;
    const int number = CaptionPictureNumber(button, look);
    auto it = cache.find(number);
    if (it == cache.end()) it = cache.insert(number, Draw(button, look));
    return *it;
}

}  // namespace brindle
