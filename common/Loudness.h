// Programme loudness of one checked file (EBU R128 / ITU-R BS.1770-4) and its verdict.
//
// A figure that has no value (the programme stayed below the absolute gate of -70 LUFS, or a
// true peak of digital silence) is NaN: use HasLoudnessValue. A file without sound has no
// LoudnessInfo_t at all.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quarvik {

struct LoudnessInfo_t {
    double fIntegrated;    // LUFS
    double fRange;         // LU
    double fTruePeak;      // dBTP, the highest of all channels
    double fMaxMomentary;  // LUFS, 400 ms window
    double fMaxShortTerm;  // LUFS, 3 s window
    // Short-term loudness at the end of every whole second of the programme, LUFS (NaN
    // while nothing was measured above the gate).
    std::vector<float> shortTerm;
};

bool HasLoudnessValue(double figure);

enum LoudnessVerdict : int32_t {
    kLoudnessNotJudged = 0,
    kLoudnessPassed = 1,
    kLoudnessFailed = 2,
};

struct LoudnessLimits {
    bool enabled = false;
    double target = -23.0;       // LUFS
    double tolerance = 1.0;      // LU either side of the target
    double maxTruePeak = -1.0;   // dBTP
};

// Failed when the integrated loudness lies outside target +- tolerance or the true peak
// lies above the maximum; a figure without a value cannot fail. Not judged unless enabled.
LoudnessVerdict JudgeLoudness(const LoudnessInfo_t& loudness, const LoudnessLimits& limits);

// A figure as its reports show it: "%.1f", or "-" without a value.
std::string LoudnessFigureText(double figure);
// "-23.1 LUFS  LRA 5.2 LU  真峰值 -1.4 dBTP"
std::string LoudnessSummaryText(const LoudnessInfo_t& loudness);
// "合格" / "不合格"; empty when not judged.
const char* LoudnessVerdictText(int32_t verdict);

}  // namespace quarvik
