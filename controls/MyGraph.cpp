#include "MyGraph.h"

#include "BrindleColors.h"

#include <QPainterPath>

#include <cmath>

using namespace brindle;

CMyMemDC::CMyMemDC(QPainter* target, const QRect& rect, const QColor& back)
    : m_target(target), m_rect(rect), m_picture(rect.size().expandedTo(QSize(1, 1))) {
    m_picture.fill(back);
    begin(&m_picture);
    translate(-rect.topLeft());
}

CMyMemDC::~CMyMemDC() {
    end();
    m_target->drawPixmap(m_rect.topLeft(), m_picture);
}

CMyGraph::CMyGraph(QWidget* parent) : QWidget(parent), m_line(kGraphLine) {}

void CMyGraph::SetRange(double min, double max) {
    m_min = qMin(min, max);
    m_max = qMax(min, max);
    for (double& v : m_points) v = qBound(m_min, v, m_max);
    update();
}

void CMyGraph::SetCapacity(int count) {
    m_capacity = qMax(2, count);
    if (m_points.size() > m_capacity) m_points.remove(0, m_points.size() - m_capacity);
    update();
}

void CMyGraph::AddPoint(double value) {
    if (std::isnan(value)) return;  // no measurement: nothing to draw
    m_points.append(qBound(m_min, value, m_max));
    if (m_points.size() > m_capacity) m_points.removeFirst();
    update();
}

void CMyGraph::Clear() {
    m_points.clear();
    update();
}

void CMyGraph::SetLineColor(const QColor& colour) {
    m_line = colour;
    update();
}

void CMyGraph::paintEvent(QPaintEvent*) {
    QPainter widget(this);
    CMyMemDC p(&widget, rect(), kTreeBack);
    p.setPen(kGridLine);
    for (int i = 1; i < 4; ++i) p.drawLine(0, height() * i / 4, width(), height() * i / 4);
    for (int i = 1; i < 8; ++i) p.drawLine(width() * i / 8, 0, width() * i / 8, height());
    if (m_points.size() < 2 || m_max <= m_min) return;
    const double dx = double(width() - 1) / (m_capacity - 1);
    const double x0 = width() - 1 - dx * (m_points.size() - 1);
    QPainterPath curve;
    for (int i = 0; i < m_points.size(); ++i) {
        const QPointF at(x0 + dx * i, (height() - 1) * (m_max - m_points[i]) / (m_max - m_min));
        if (i == 0) curve.moveTo(at);
        else curve.lineTo(at);
    }
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(m_line, 1.5));
    p.drawPath(curve);
}
