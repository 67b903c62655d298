// The sound tests: the level of a channel in a sound unit and its verdict.
#pragma once

#include "ContentParams.h"

#include <cstdint>
#include <string>

struct AVChannelLayout;

namespace quarvik {

// Absolute peak of every channel over every sample frame of an interleaved S16 unit, into
// peaks[0 .. channels - 1].
void MeasurePeaks(const int16_t* samples, int channels, int sampleCount, int32_t* peaks);

// 20 log10(max(peak, 1) / 32768), truncated toward zero: -90 (silence) ... 0 (full scale).
int32_t LevelDbfs(int32_t peak);

// Verdict of one channel at a level; silenceCode is the channel's first code (16 left,
// 19 right, 22 other channels), followed by its too-low and too-high codes. kNoFault when the
// level is fine.
int32_t ClassifyLevel(int32_t level, const ContentParam_t params[kContentParamCount],
                      int32_t silenceCode);

// The name of a channel (from 0) of a track (from 0) as events show it: "音轨3" for a one-channel
// track, "音轨2 左" / "音轨2 右" for a stereo pair, "音轨1 声道3 (C)" where the layout gives the
// positions, "音轨1 声道5" where it does not.
std::string SoundChannelName(int track, int channel, const AVChannelLayout* layout);

}  // namespace quarvik
