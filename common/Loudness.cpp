#include "Loudness.h"

#include <cmath>
#include <cstdio>

namespace quarvik {

bool HasLoudnessValue(double figure)
{
    return std::isfinite(figure);
}

LoudnessVerdict JudgeLoudness(const LoudnessInfo_t& loudness, const LoudnessLimits& limits)
{
    if (!limits.enabled)
        return kLoudnessNotJudged;
    // Figures are compared as they are shown (0.1 LU), so a programme shown at the edge of
    // the band is inside it.
    const auto shown = [](double figure) { return std::round(figure * 10.0) / 10.0; };
    const double margin = 1e-9;
    if (HasLoudnessValue(loudness.fIntegrated) &&
        std::fabs(shown(loudness.fIntegrated) - limits.target) > limits.tolerance + margin)
        return kLoudnessFailed;
    if (HasLoudnessValue(loudness.fTruePeak) && shown(loudness.fTruePeak) > limits.maxTruePeak + margin)
        return kLoudnessFailed;
    return kLoudnessPassed;
}

std::string LoudnessFigureText(double figure)
{
    if (!HasLoudnessValue(figure))
        return "-";
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f", figure);
    return text;
}

std::string LoudnessSummaryText(const LoudnessInfo_t& l)
{
    return LoudnessFigureText(l.fIntegrated) + " LUFS  LRA " + LoudnessFigureText(l.fRange) +
           " LU  真峰值 " + LoudnessFigureText(l.fTruePeak) + " dBTP";
}

const char* LoudnessVerdictText(int32_t verdict)
{
    switch (verdict) {
    case kLoudnessPassed: return "合格";
    case kLoudnessFailed: return "不合格";
    default: return "";
    }
}

}  // namespace quarvik
