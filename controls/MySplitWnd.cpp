#include "MySplitWnd.h"

#include "BrindleColors.h"

#include <QMouseEvent>
#include <QPainter>

CMySplitWnd::CMySplitWnd(const QRect& rect, QWidget* parent, int id)
    : QWidget(parent), m_vertical(rect.width() < rect.height()), m_id(id) {
    setGeometry(rect);
    setCursor(m_vertical ? Qt::SizeHorCursor : Qt::SizeVerCursor);
    m_min = m_max = Centre();
}

int CMySplitWnd::Centre() const {
    const QRect g = geometry();
    return m_vertical ? g.left() + g.width() / 2 : g.top() + g.height() / 2;
}

void CMySplitWnd::SetRange(int min, int max) {
    m_min = qMin(min, max);
    m_max = qMax(min, max);
}

void CMySplitWnd::SetRange(int below, int above, int centre) {
    if (centre < 0) centre = Centre();
    SetRange(centre - below, centre + above);
}

void CMySplitWnd::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), brindle::kSplitBar);
}

int CMySplitWnd::Clamped(QPointF localPos) const {
    const QPoint inParent = mapToParent(localPos.toPoint());
    return qBound(m_min, m_vertical ? inParent.x() : inParent.y(), m_max);
}

void CMySplitWnd::PlaceLine(int pos) {
    const QRect g = geometry();
    // The line spans the bar's own extent; two pixels wide so it is seen on any background.
    m_line->setGeometry(m_vertical ? QRect(pos - 1, g.top(), 2, g.height()) : QRect(g.left(), pos - 1, g.width(), 2));
}

void CMySplitWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !parentWidget()) return;
    m_start = Centre();
    if (!m_line) {
        m_line = new QWidget(parentWidget());
        m_line->setAutoFillBackground(true);
        QPalette pal = m_line->palette();
        pal.setColor(QPalette::Window, QColor(160, 160, 160));
        m_line->setPalette(pal);
        m_line->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    PlaceLine(m_start);
    m_line->raise();
    m_line->show();
}

void CMySplitWnd::mouseMoveEvent(QMouseEvent* event) {
    if (m_line && m_line->isVisible()) PlaceLine(Clamped(event->position()));
}

void CMySplitWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_line || !m_line->isVisible()) return;
    m_line->hide();
    const int pos = Clamped(event->position());
    const int distance = pos - m_start;
    if (m_vertical)
        move(x() + distance, y());
    else
        move(x(), y() + distance);
    emit Moved(m_id, distance);
}

void CMySplitWnd::ChangeWidth(QWidget* window, int d, int how) {
    QRect g = window->geometry();
    if (how == 1) g.setRight(g.right() + d);
    else if (how == 2) g.setLeft(g.left() - d);
    else if (how == 5) g.translate(d, 0);
    window->setGeometry(g);
}

void CMySplitWnd::ChangeHeight(QWidget* window, int d, int how) {
    QRect g = window->geometry();
    if (how == 1) g.setBottom(g.bottom() + d);
    else if (how == 2) g.setTop(g.top() - d);
    else if (how == 5) g.translate(0, d);
    window->setGeometry(g);
}

void CMySplitWnd::ChangePos(QWidget* window, int dx, int dy) { window->move(window->pos() + QPoint(dx, dy)); }
