// How a result's programme loudness is shown, in one place for the detail page's "响度" node,
// the single-result report's section and their graph of the short-term loudness with the
// target band.
//
// Plain data and QtGui drawing only: the detail page puts the texts into its tree and paints
// the graph into its own widget with PaintLoudnessGraph; the report saves LoudnessGraphImage.
#pragma once

#include "LoudnessDb.h"

#include <QImage>

#include <optional>
#include <string>
#include <vector>

class QPainter;
class QRect;

namespace quarvik {

struct LoudnessFigureRow {
    std::string label;  // "综合响度"
    std::string value;  // "-23.1 LUFS"
};

struct LoudnessSummary {
    bool measured = false;                // false: no loudness stored (no sound, or older result)
    std::vector<LoudnessFigureRow> rows;  // the figures, then the limits when it was judged
    int32_t verdict = kLoudnessNotJudged;
    std::string verdictText;              // "响度合格" / "响度不合格"; empty when not judged
};

inline constexpr char kLoudnessNodeTitle[] = "响度";
inline constexpr char kLoudnessNotMeasured[] = "未测量";

LoudnessSummary SummarizeLoudness(const std::optional<LoudnessRow>& loudness);

// The tree node's children: "label : value" for every row, then the verdict; a result
// without loudness has the one child kLoudnessNotMeasured.
std::vector<std::string> LoudnessNodeTexts(const LoudnessSummary& summary);

// The short-term loudness over the programme (one point a second, gaps below the gate), the
// band target +- tolerance shaded and the target drawn as a line, on a dark background with a
// scale from -60 to 0 LUFS. Draws into area of painter.
void PaintLoudnessGraph(QPainter& painter, const QRect& area, const LoudnessRow& loudness);
QImage LoudnessGraphImage(const LoudnessRow& loudness, int width, int height);

}  // namespace quarvik
