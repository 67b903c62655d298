#include "PictureButtons.h"

#include <QIcon>
#include <QPainter>

using brindle::ButtonLook;

CGdipButton::CGdipButton(QWidget* parent) : QAbstractButton(parent) { setAttribute(Qt::WA_Hover); }

void CGdipButton::SetImages(const QPixmap& normal, const QPixmap& hover, const QPixmap& pressed,
                            const QPixmap& disabled) {
    m_normal = normal;
    m_hover = hover.isNull() ? normal : hover;
    m_pressed = pressed.isNull() ? m_hover : pressed;
    m_disabled = disabled.isNull() ? QIcon(normal).pixmap(normal.deviceIndependentSize().toSize(), QIcon::Disabled)
                                   : disabled;
    updateGeometry();
    update();
}

void CGdipButton::SetBkGnd(const QPixmap& background) {
    m_background = background;
    update();
}

ButtonLook CGdipButton::Look() const {
    if (isDown()) return ButtonLook::Pressed;
    return m_hovered ? ButtonLook::Hover : ButtonLook::Normal;
}

QPixmap CGdipButton::CurrentPicture() const {
    if (!isEnabled()) return m_disabled;
    switch (Look()) {
    case ButtonLook::Pressed: return m_pressed;
    case ButtonLook::Hover: return m_hover;
    case ButtonLook::Normal: break;
    }
    return m_normal;
}

QSize CGdipButton::sizeHint() const {
    return m_normal.isNull() ? QSize(24, 24) : m_normal.deviceIndependentSize().toSize();
}

void CGdipButton::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CGdipButton::leaveEvent(QEvent* event) {
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CGdipButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!m_background.isNull()) p.drawPixmap(rect(), m_background);
    const QPixmap picture = CurrentPicture();
    if (picture.isNull()) return;
    const QSize size = picture.deviceIndependentSize().toSize().scaled(this->size(), Qt::KeepAspectRatio);
    p.drawPixmap(QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size), picture);
}

CGdiplusCheckButton::CGdiplusCheckButton(const QString& text, QWidget* parent) : CGdiplusButton(text, parent) {
    setCheckable(true);
}
