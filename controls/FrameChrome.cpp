#include "FrameChrome.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace brindle {

FrameChrome::FrameChrome(QWidget* window, int buttons)
    : m_window(window), m_caption(new CCaptionBar(buttons, window)) {
    window->setWindowFlag(Qt::FramelessWindowHint);
    window->setMouseTracking(true);
    ApplyMargins();
}

void FrameChrome::SetBorder(int width, const QColor& colour) {
    m_border = qMax(0, width);
    m_borderColour = colour;
    ApplyMargins();
    Resized();
    m_window->update();
}

void FrameChrome::ApplyMargins() {
    m_window->setContentsMargins(m_border, CCaptionBar::DefaultHeight(), m_border, m_border);
}

void FrameChrome::Resized() {
    // The caption spans the whole width so its buttons sit flush with the window's right edge.
    m_caption->setGeometry(0, 0, m_window->width(), CCaptionBar::DefaultHeight());
    m_caption->raise();
}

void FrameChrome::Paint(QPainter& p) {
    if (m_border == 0) return;
    const QRect r = m_window->rect();
    const int b = m_border;
    p.fillRect(0, 0, b, r.height(), m_borderColour);
    p.fillRect(r.width() - b, 0, b, r.height(), m_borderColour);
    p.fillRect(0, r.height() - b, r.width(), b, m_borderColour);
}

Qt::Edges FrameChrome::EdgesAt(QPoint pos) const {
    if (m_window->isMaximized()) return {};
    // Corners grab a little wider than the border, as window managers do.
    const int grip = qMax(m_border, 4), corner = 12;
    const QRect r = m_window->rect();
    Qt::Edges edges;
    if (pos.x() < grip || (pos.x() < corner && pos.y() >= r.height() - grip)) edges |= Qt::LeftEdge;
    if (pos.x() >= r.width() - grip || (pos.x() >= r.width() - corner && pos.y() >= r.height() - grip))
        edges |= Qt::RightEdge;
    if (pos.y() >= r.height() - grip || (pos.y() >= r.height() - corner && edges)) edges |= Qt::BottomEdge;
    return edges;
}

bool FrameChrome::MousePress(QMouseEvent* event) {
    const Qt::Edges edges = EdgesAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || !edges) return false;
    QWindow* handle = m_window->windowHandle();
    if (handle && handle->startSystemResize(edges)) return true;
    m_resizing = edges;
    m_pressGlobal = event->globalPosition().toPoint();
    m_pressGeometry = m_window->geometry();
    return true;
}

bool FrameChrome::MouseMove(QMouseEvent* event) {
    if (!m_resizing) {
        const Qt::Edges e = EdgesAt(event->position().toPoint());
        const bool diagonal = (e & (Qt::LeftEdge | Qt::RightEdge)) && (e & Qt::BottomEdge);
        const Qt::CursorShape shape = diagonal ? ((e & Qt::LeftEdge) ? Qt::SizeBDiagCursor : Qt::SizeFDiagCursor)
                                      : (e & Qt::BottomEdge) ? Qt::SizeVerCursor
                                      : e ? Qt::SizeHorCursor
                                          : Qt::ArrowCursor;
        m_window->setCursor(shape);
        return false;
    }
    const QPoint d = event->globalPosition().toPoint() - m_pressGlobal;
    QRect g = m_pressGeometry;
    const QSize min = m_window->minimumSizeHint().expandedTo(m_window->minimumSize());
    if (m_resizing & Qt::LeftEdge) g.setLeft(qMin(g.left() + d.x(), g.right() - min.width()));
    if (m_resizing & Qt::RightEdge) g.setRight(g.right() + d.x());
    if (m_resizing & Qt::BottomEdge) g.setBottom(g.bottom() + d.y());
    m_window->setGeometry(g);
    return true;
}

void FrameChrome::MouseRelease() { m_resizing = {}; }

}  // namespace brindle
