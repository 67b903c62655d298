// The sound tests: the level of a channel in a sound unit and its verdict.
#pragma once

#include "ContentParams.h"

#include <cstdint>

namespace quarvik {

struct ChannelPeaks {
    int32_t left = 0;
    int32_t right = 0;  // stays 0 for a one-channel unit
};

// Absolute peak of the first two channels over every sample frame of an interleaved S16 unit.
ChannelPeaks MeasurePeaks(const int16_t* samples, int channels, int sampleCount);

// 20 log10(max(peak, 1) / 32768), truncated toward zero: -90 (silence) ... 0 (full scale).
int32_t LevelDbfs(int32_t peak);

// Verdict of one channel at a level; silenceCode is the channel's first code (16 left,
// 19 right), followed by its too-low and too-high codes. kNoFault when the level is fine.
int32_t ClassifyLevel(int32_t level, const ContentParam_t params[kContentParamCount],
                      int32_t silenceCode);

}  // namespace quarvik
