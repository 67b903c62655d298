#include "CaptionBar.h"

#include "BrindleColors.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace brindle {

CCaptionBar::CCaptionBar(int buttons, QWidget* window) : QWidget(window), m_bits(buttons) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    window->installEventFilter(this);
}

int CCaptionBar::DefaultHeight() { return kCaptionButtonHeight + 7; }

void CCaptionBar::SetIcon(const QIcon& icon) {
    m_icon = icon;
    update();
}

void CCaptionBar::SetMenu(QMenu* menu) { m_menu = menu; }

QList<CCaptionBar::Slot> CCaptionBar::Layout() const {
    QList<CaptionButton> order;
    if (m_bits & kCaptionClose) order << CaptionButton::Close;
    if (m_bits & kCaptionMaxRestore)
        order << (window()->isMaximized() ? CaptionButton::Restore : CaptionButton::Maximise);
    if (m_bits & kCaptionMinimise) order << CaptionButton::Minimise;
    if (m_bits & kCaptionMenu) order << CaptionButton::Menu;
    QList<Slot> cells;
    int right = width();
    for (CaptionButton b : order) {
        const int w = CaptionButtonWidth(b);
        cells.push_back({b, QRect(right - w, 0, w, kCaptionButtonHeight)});
        right -= w;
    }
    return cells;
}

QList<CaptionButton> CCaptionBar::Buttons() const {
    QList<CaptionButton> out;
    for (const Slot& s : Layout()) out << s.button;
    return out;
}

QRect CCaptionBar::ButtonRect(CaptionButton button) const {
    for (const Slot& s : Layout())
        if (s.button == button) return s.rect;
    return {};
}

int CCaptionBar::ShownPicture(CaptionButton button) const {
    const QList<Slot> cells = Layout();
    for (int i = 0; i < cells.size(); ++i) {
        if (cells[i].button == button) return CaptionPictureNumber(button, LookOf(i));
    }
    return 0;
}

ButtonLook CCaptionBar::LookOf(int index) const {
    if (index == m_pressed) return ButtonLook::Pressed;
    return index == m_hover ? ButtonLook::Hover : ButtonLook::Normal;
}

int CCaptionBar::HitTest(QPoint pos) const {
    const QList<Slot> cells = Layout();
    for (int i = 0; i < cells.size(); ++i)
        if (cells[i].rect.contains(pos)) return i;
    return -1;
}

void CCaptionBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kCaptionBack);
    const QList<Slot> cells = Layout();
    for (int i = 0; i < cells.size(); ++i)
        p.drawPixmap(cells[i].rect.topLeft(), CaptionPicture(cells[i].button, LookOf(i)));
    const QIcon icon = m_icon.isNull() ? window()->windowIcon() : m_icon;
    const int iconTop = (height() - 16) / 2;
    if (!icon.isNull()) icon.paint(&p, QRect(2 + 4, iconTop, 16, 16));
    const int titleLeft = 2 + 4 + 16 + 6;
    const int titleRight = cells.isEmpty() ? width() : cells.back().rect.left();
    p.setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    p.setPen(window()->isActiveWindow() ? kTitleActive : kTitleInactive);
    const QRect titleRect(titleLeft, 0, qMax(0, titleRight - titleLeft - 4), height());
    const QString title = p.fontMetrics().elidedText(window()->windowTitle(), Qt::ElideRight, titleRect.width());
    p.drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title);
}

void CCaptionBar::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging) {
        window()->move(event->globalPosition().toPoint() - m_dragOffset);
        return;
    }
    const int hit = HitTest(event->position().toPoint());
    if (hit != m_hover) {
        m_hover = hit;
        update();
    }
}

void CCaptionBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    m_pressed = HitTest(event->position().toPoint());
    if (m_pressed >= 0) {
        update();
        return;
    }
    // The window manager moves the window where it can (Wayland requires it); elsewhere we do.
    if (window()->isMaximized()) return;
    QWindow* handle = window()->windowHandle();
    // The caption covers the window's top border, so its top rows resize.
    if (event->position().y() < 3 && handle && handle->startSystemResize(Qt::TopEdge)) return;
    if (handle && handle->startSystemMove()) return;
    m_dragging = true;
    m_dragOffset = event->globalPosition().toPoint() - window()->frameGeometry().topLeft();
}

void CCaptionBar::mouseReleaseEvent(QMouseEvent* event) {
    m_dragging = false;
    if (event->button() != Qt::LeftButton || m_pressed < 0) return;
    const int pressed = m_pressed;
    m_pressed = -1;
    update();
    // Acts only when released over the button it was pressed on, as desktop buttons do.
    if (HitTest(event->position().toPoint()) == pressed) Act(Layout()[pressed].button);
}

void CCaptionBar::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() != Qt::LeftButton || HitTest(pos) >= 0 || IconSquare().contains(pos)) return;
    if (m_bits & kCaptionMaxRestore) ToggleMaximised();
}

void CCaptionBar::leaveEvent(QEvent*) {
    m_hover = -1;
    update();
}

bool CCaptionBar::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::WindowStateChange:
    case QEvent::ActivationChange:
    case QEvent::WindowTitleChange:
    case QEvent::WindowIconChange:
        // The slot under the pointer may now hold another button.
        m_hover = m_pressed = -1;
        update();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void CCaptionBar::ToggleMaximised() {
    if (window()->isMaximized())
        window()->showNormal();
    else
        window()->showMaximized();
}

void CCaptionBar::Act(CaptionButton button) {
    switch (button) {
    case CaptionButton::Close: window()->close(); break;
    case CaptionButton::Maximise: window()->showMaximized(); break;
    case CaptionButton::Restore: window()->showNormal(); break;
    case CaptionButton::Minimise: window()->showMinimized(); break;
    case CaptionButton::Menu: {
        if (!m_menu) break;
        // The first sub-menu when the window gives a whole menu bar's worth, else the menu itself.
        QMenu* shown = m_menu;
        for (QAction* a : m_menu->actions())
            if (a->menu()) { shown = a->menu(); break; }
        shown->popup(mapToGlobal(ButtonRect(CaptionButton::Menu).bottomLeft() + QPoint(0, 1)));
        break;
    }
    }
}

}  // namespace brindle
