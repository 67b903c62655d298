#include "WndGraph.h"

#include "SqliteDb.h"
#include "TaskQueries.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

using namespace quarvik;

namespace {

// A tile with a vertical gradient from top to bottom.
QPixmap GradientTile(int side, const QColor& top, const QColor& middle, const QColor& bottom) {
    QPixmap tile(side, side);
    QPainter p(&tile);
    QLinearGradient gradient(0, 0, 0, side);
    gradient.setColorAt(0, top);
    gradient.setColorAt(0.5, middle);
    gradient.setColorAt(1, bottom);
    p.fillRect(tile.rect(), gradient);
    return tile;
}

struct Brushes {
    QBrush material, unknown, fault, cursor;
};

const Brushes& GraphBrushes() {
    static const Brushes brushes{
        QBrush(GradientTile(10, QColor(120, 220, 120), QColor(40, 170, 40), QColor(0, 110, 0))),
        QBrush(GradientTile(10, QColor(190, 190, 190), QColor(140, 140, 140), QColor(90, 90, 90))),
        QBrush(GradientTile(8, QColor(255, 200, 90), QColor(255, 140, 0), QColor(200, 90, 0))),
        QBrush(QColor(0, 51, 153)),
    };
    return brushes;
}

}  // namespace

CWndGraph::CWndGraph(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted from the image.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CWndGraph::SetResult(const ResultInfo_t* result) {
    m_result = result ? *result : ResultInfo_t{};
    m_result.pFaceImage = nullptr;
    m_begins.clear();
    m_ends.clear();
    if (result) {
        CSqliteDb db;
        if (db.OpenTaskDb()) {
            for (const FaultSpan& span : LoadFaultSpans(db, result->nID)) AppendSpan(span.tmBegin, span.tmEnd);
        }
    }
    SetCursor(0);
}

void CWndGraph::SetFrameCount(int32_t frames) {
    if (m_result.nFrame == frames) return;
    m_result.nFrame = frames;
    update();
}

void CWndGraph::AppendSpan(uint32_t begin, uint32_t end) {
    m_begins.push_back(begin);
    m_ends.push_back(end);
    update();
}

void CWndGraph::SetCursor(int percent) {
    m_cursor = percent;
    update();
}

QImage CWndGraph::Render() const {
    const int w = width(), h = height();
    QImage image(w + 1, h + 1, QImage::Format_RGB32);
    QPainter p(&image);
    const Brushes& brushes = GraphBrushes();
    const uint64_t frames = m_result.nFrame > 0 ? static_cast<uint64_t>(m_result.nFrame) : 0;
    p.fillRect(image.rect(), frames ? brushes.material : brushes.unknown);
    if (frames) {
        // 64 bits: a day of material times a wide bar does not fit in 32.
        for (size_t i = 0; i < m_begins.size(); ++i) {
            const int x0 = static_cast<int>(uint64_t(m_begins[i]) * uint64_t(w) / frames);
            const int x1 = static_cast<int>(uint64_t(m_ends[i]) * uint64_t(w) / frames);
            if (x1 > x0) p.fillRect(QRect(x0, 0, x1 - x0, h + 1), brushes.fault);
        }
    }
    if (m_cursor != kNoCursor) {
        const int x0 = m_cursor * w / 100 - 1;
        p.fillRect(QRect(x0, 0, 2, h + 1), brushes.cursor);
    }
    return image;
}

void CWndGraph::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, Render());
}

void CWndGraph::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && width() > 0) {
        const int percent = static_cast<int>(event->position().x()) * 100 / width();
        if (m_seek && m_seek(percent, m_cursor) != 0) SetCursor(percent);
    }
    QWidget::mousePressEvent(event);
}
