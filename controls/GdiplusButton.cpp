#include "GdiplusButton.h"

#include "BrindleColors.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

using namespace brindle;

CGdiplusButton::CGdiplusButton(const QString& text, QWidget* parent)
    : QAbstractButton(parent), m_first(kButtonBack1), m_second(kButtonBack2), m_border(Qt::black) {
    setText(text);
    setAttribute(Qt::WA_Hover);
}

void CGdiplusButton::SetBackColor(const QColor& first, const QColor& second) {
    m_first = first;
    m_second = second;
    update();
}

void CGdiplusButton::SetDefaultBackColor() { SetBackColor(kButtonBack1, kButtonBack2); }

void CGdiplusButton::SetBorderColor(const QColor& colour) {
    m_border = colour;
    update();
}

void CGdiplusButton::SetIconID(const QIcon& icon, int size) {
    m_icon = icon;
    m_iconSize = size;
    update();
}

void CGdiplusButton::SetToolTipText(const QString& text, bool activate) { setToolTip(activate ? text : QString()); }

void CGdiplusButton::SetClickable(bool on) { m_clickable = on; }

QSize CGdiplusButton::sizeHint() const {
    const int iconPart = m_icon.isNull() ? 0 : m_iconSize + 6;
    return QSize(iconPart + fontMetrics().horizontalAdvance(text()) + 20, qMax(24, m_iconSize + 6));
}

void CGdiplusButton::enterEvent(QEnterEvent* event) {
    m_hover = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CGdiplusButton::leaveEvent(QEvent* event) {
    m_hover = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CGdiplusButton::mousePressEvent(QMouseEvent* event) {
    if (m_clickable) QAbstractButton::mousePressEvent(event);
    else event->ignore();
}

void CGdiplusButton::mouseReleaseEvent(QMouseEvent* event) {
    if (m_clickable) QAbstractButton::mouseReleaseEvent(event);
    else event->ignore();
}

void CGdiplusButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF face = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(face, 5, 5);
    QLinearGradient gradient(face.topLeft(), face.bottomLeft());
    // A checkable button (CGdiplusCheckButton) stays pressed while checked.
    const bool down = isDown() || isChecked();
    gradient.setColorAt(0, down ? m_second : m_first);
    gradient.setColorAt(1, down ? m_first : m_second);
    p.fillPath(path, gradient);
    p.setPen(QPen(m_border, 1));
    p.drawPath(path);

    QRect textRect = rect().adjusted(3, 0, -3, 0);
    if (!m_icon.isNull() && m_iconSize > 0) {
        const QRect iconRect(3, (height() - m_iconSize) / 2, m_iconSize, m_iconSize);
        m_icon.paint(&p, iconRect, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
        textRect.setLeft(iconRect.right() + 1 + 3);
    }
    p.setPen(isEnabled() ? kButtonText : kButtonTextDisabled);
    p.drawText(textRect, Qt::AlignCenter | Qt::TextWordWrap, text());
}
