#include "WndGraph.h"

#include "FaultChannelDb.h"
#include "FaultKinds.h"
#include "SqliteDb.h"
#include "TaskQueries.h"

#include <QHelpEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QToolTip>

#include <algorithm>

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
    m_names.clear();
    if (result) {
        CSqliteDb db;
        if (db.OpenTaskDb()) {
            const std::map<int32_t, SoundChannel_t> channels = LoadFaultChannels(db, result->nID);
            for (const FaultSpan& span : LoadFaultSpans(db, result->nID)) {
                const auto channel = channels.find(span.nID);
                const std::string name =
                    FaultEventName(span.nFault, channel != channels.end() ? channel->second.name : std::string());
                AppendSpan(span.tmBegin, span.tmEnd, QString::fromStdString(name));
            }
        }
    }
    SetCursor(0);
}

void CWndGraph::SetFrameCount(int32_t frames) {
    if (m_result.nFrame == frames) return;
    m_result.nFrame = frames;
    update();
}

void CWndGraph::AppendSpan(uint32_t begin, uint32_t end, const QString& name) {
    m_begins.push_back(begin);
    m_ends.push_back(end);
    m_names.push_back(name);
    update();
}

QString CWndGraph::TipAt(int x) const {
    const uint64_t frames = m_result.nFrame > 0 ? static_cast<uint64_t>(m_result.nFrame) : 0;
    const int w = width();
    if (!frames || w <= 0) return {};
    // The frames under this pixel, widened to one pixel either side so that a short event
    // can still be pointed at.
    const uint64_t first = uint64_t(std::max(x - 1, 0)) * frames / uint64_t(w);
    const uint64_t last = uint64_t(x + 2) * frames / uint64_t(w);
    QStringList lines;
    for (size_t i = 0; i < m_begins.size(); ++i) {
        if (m_begins[i] > last || m_ends[i] < first) continue;
        lines << QStringLiteral("%1  %2 - %3")
                     .arg(m_names[i], QString::fromStdString(CheckFrameTimeCode(m_begins[i])),
                          QString::fromStdString(CheckFrameTimeCode(m_ends[i])));
    }
    return lines.join(QLatin1Char('\n'));
}

bool CWndGraph::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString tip = TipAt(help->pos().x());
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, this);
        return true;
    }
    return QWidget::event(event);
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
