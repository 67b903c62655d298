#include "LoudnessView.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quarvik {
namespace {

constexpr double kScaleTop = 0.0;       // LUFS
constexpr double kScaleBottom = -60.0;

std::string WithUnit(double figure, const char* unit)
{
    return LoudnessFigureText(figure) + " " + unit;
}

std::string LimitsText(const LoudnessLimits& limits)
{
    char text[96];
    std::snprintf(text, sizeof(text), "%.1f ±%.1f LUFS, 真峰值 ≤ %.1f dBTP", limits.target, limits.tolerance,
                  limits.maxTruePeak);
    return text;
}

QString MinutesSeconds(int seconds)
{
    return QString::asprintf("%02d:%02d", seconds / 60, seconds % 60);
}

}  // namespace

LoudnessSummary SummarizeLoudness(const std::optional<LoudnessRow>& loudness)
{
    LoudnessSummary summary;
    if (!loudness)
        return summary;
    const LoudnessInfo_t& l = loudness->info;
    summary.measured = true;
    summary.rows = {
        {"综合响度", WithUnit(l.fIntegrated, "LUFS")},
        {"响度范围", WithUnit(l.fRange, "LU")},
        {"真峰值", WithUnit(l.fTruePeak, "dBTP")},
        {"最大瞬时响度", WithUnit(l.fMaxMomentary, "LUFS")},
        {"最大短期响度", WithUnit(l.fMaxShortTerm, "LUFS")},
    };
    summary.verdict = loudness->nVerdict;
    if (summary.verdict != kLoudnessNotJudged) {
        summary.rows.push_back({"目标", LimitsText(loudness->limits)});
        summary.verdictText = std::string("响度") + LoudnessVerdictText(summary.verdict);
    }
    return summary;
}

std::vector<std::string> LoudnessNodeTexts(const LoudnessSummary& summary)
{
    if (!summary.measured)
        return {kLoudnessNotMeasured};
    std::vector<std::string> texts;
    for (const LoudnessFigureRow& row : summary.rows)
        texts.push_back(row.label + " : " + row.value);
    if (!summary.verdictText.empty())
        texts.push_back(summary.verdictText);
    return texts;
}

void PaintLoudnessGraph(QPainter& painter, const QRect& area, const LoudnessRow& loudness)
{
    painter.save();
    painter.fillRect(area, QColor(32, 32, 32));
    QFont font = painter.font();
    font.setPixelSize(10);
    painter.setFont(font);
    const QRect plot = area.adjusted(34, 6, -6, -16);
    if (plot.width() < 10 || plot.height() < 10) {
        painter.restore();
        return;
    }
    const auto yOf = [&](double lufs) {
        const double clamped = std::clamp(lufs, kScaleBottom, kScaleTop);
        return plot.top() + (kScaleTop - clamped) / (kScaleTop - kScaleBottom) * plot.height();
    };

    // Scale every 10 LU.
    painter.setPen(QColor(80, 80, 80));
    for (double lufs = kScaleTop; lufs >= kScaleBottom; lufs -= 10.0) {
        const int y = static_cast<int>(std::lround(yOf(lufs)));
        painter.drawLine(plot.left(), y, plot.right(), y);
        painter.setPen(QColor(160, 160, 160));
        painter.drawText(QRect(area.left(), y - 6, 30, 12), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(static_cast<int>(lufs)));
        painter.setPen(QColor(80, 80, 80));
    }

    // The target band and the target.
    const LoudnessLimits& limits = loudness.limits;
    const double bandTop = yOf(limits.target + limits.tolerance), bandBottom = yOf(limits.target - limits.tolerance);
    painter.fillRect(QRectF(plot.left(), bandTop, plot.width(), std::max(1.0, bandBottom - bandTop)),
                     QColor(0, 160, 0, 90));
    painter.setPen(QPen(QColor(0, 220, 0), 1, Qt::DashLine));
    painter.drawLine(QPointF(plot.left(), yOf(limits.target)), QPointF(plot.right(), yOf(limits.target)));

    // The short-term loudness, broken where it is below the gate.
    const std::vector<float>& series = loudness.info.shortTerm;
    const size_t count = series.size();
    const auto xOf = [&](size_t i) {
        return count <= 1 ? plot.left() : plot.left() + static_cast<double>(i) / (count - 1) * plot.width();
    };
    QPainterPath curve;
    bool drawing = false;
    for (size_t i = 0; i < count; ++i) {
        if (!std::isfinite(series[i]) || series[i] < kScaleBottom) {
            drawing = false;
            continue;
        }
        const QPointF point(xOf(i), yOf(series[i]));
        if (drawing)
            curve.lineTo(point);
        else
            curve.moveTo(point);
        drawing = true;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 200, 0), 1.5));
    painter.drawPath(curve);
    painter.setRenderHint(QPainter::Antialiasing, false);

    painter.setPen(QColor(160, 160, 160));
    painter.drawRect(plot);
    const QRect timeRow(plot.left(), plot.bottom() + 2, plot.width(), 12);
    const QString begin = MinutesSeconds(0), end = MinutesSeconds(static_cast<int>(count));
    const QString caption = QStringLiteral("LUFS (3 s)");
    painter.drawText(timeRow, Qt::AlignLeft | Qt::AlignVCenter, begin);
    painter.drawText(timeRow, Qt::AlignRight | Qt::AlignVCenter, end);
    // In a narrow graph the caption gives way to the times.
    const QFontMetrics metrics = painter.fontMetrics();
    const int beside = std::max(metrics.horizontalAdvance(begin), metrics.horizontalAdvance(end)) + 4;
    if (timeRow.width() - metrics.horizontalAdvance(caption) >= 2 * beside)
        painter.drawText(timeRow, Qt::AlignHCenter | Qt::AlignVCenter, caption);
    painter.restore();
}

QImage LoudnessGraphImage(const LoudnessRow& loudness, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    QPainter painter(&image);
    PaintLoudnessGraph(painter, image.rect(), loudness);
    painter.end();
    return image;
}

}  // namespace quarvik
