#include "SoundTests.h"

#include "FaultKinds.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <vector>

namespace quarvik {

namespace {

// Largest magnitude of every channel; -32768 counts as 32768. The interleaved samples are read
// as one row of vectors of 8: after lcm(channels, 8) samples the channels fall on the same lanes
// again, so that many vectors keep the extremes of every channel (at most 64 channels), and the
// frames left over are read one by one.
void PeaksOf(const int16_t* samples, int channels, int sampleCount, int32_t* peaks)
{
    typedef int16_t Short8 __attribute__((vector_size(16)));
    constexpr int kLanes = 8, kMaxVectors = 64;
    const int lanesShared = std::gcd(channels, kLanes);
    const int vectors = channels / lanesShared;
    const int framesPerRow = kLanes / lanesShared;
    std::vector<int16_t> top(static_cast<size_t>(channels), 0), bottom(static_cast<size_t>(channels), 0);
    int frame = 0;
    if (vectors <= kMaxVectors) {
        Short8 highest[kMaxVectors] = {}, lowest[kMaxVectors] = {};
        const int rows = sampleCount / framesPerRow;
        for (int row = 0; row < rows; ++row) {
            const int16_t* at = samples + static_cast<size_t>(row) * framesPerRow * channels;
            for (int v = 0; v < vectors; ++v) {
                Short8 x;
                std::memcpy(&x, at + v * kLanes, sizeof(x));
                highest[v] = x > highest[v] ? x : highest[v];
                lowest[v] = x < lowest[v] ? x : lowest[v];
            }
        }
        for (int v = 0; v < vectors; ++v) {
            for (int lane = 0; lane < kLanes; ++lane) {
                const size_t c = static_cast<size_t>((v * kLanes + lane) % channels);
                top[c] = std::max(top[c], highest[v][lane]);
                bottom[c] = std::min(bottom[c], lowest[v][lane]);
            }
        }
        frame = rows * framesPerRow;
    }
    for (; frame < sampleCount; ++frame) {
        const int16_t* at = samples + static_cast<size_t>(frame) * channels;
        for (size_t c = 0; c < static_cast<size_t>(channels); ++c) {
            top[c] = std::max(top[c], at[c]);
            bottom[c] = std::min(bottom[c], at[c]);
        }
    }
    for (size_t c = 0; c < static_cast<size_t>(channels); ++c)
        peaks[c] = std::max<int32_t>(top[c], -static_cast<int32_t>(bottom[c]));
}

}  // namespace

void MeasurePeaks(const int16_t* samples, int channels, int sampleCount, int32_t* peaks)
{
    if (channels <= 0)
        return;
    std::fill(peaks, peaks + channels, 0);
    if (!samples || sampleCount <= 0)
        return;
    PeaksOf(samples, channels, sampleCount, peaks);
}

int32_t LevelDbfs(int32_t peak)
{
    const double level = 20.0 * std::log10((peak > 1 ? peak : 1) * 3.0517578125e-05);
    return static_cast<int32_t>(level);
}

int32_t ClassifyLevel(int32_t level, const ContentParam_t params[kContentParamCount],
                      int32_t silenceCode)
{
    const int32_t tooLowCode = silenceCode + 1;
    const int32_t tooHighCode = silenceCode + 2;
    if (level <= params[silenceCode].nThreshold2)
        return silenceCode;
    if (level <= params[tooLowCode].nThreshold2)
        return tooLowCode;
    if (level >= params[tooHighCode].nThreshold1)
        return tooHighCode;
    return kNoFault;
}

std::string SoundChannelName(int track, int channel, const AVChannelLayout* layout)
{
    std::string name = "音轨" + std::to_string(track + 1);
    const int count = layout ? layout->nb_channels : 0;
    if (count == 1)
        return name;
    if (count == 2)
        return name + (channel == 0 ? " 左" : " 右");
    name += " 声道" + std::to_string(channel + 1);
    if (!layout || layout->order == AV_CHANNEL_ORDER_UNSPEC)
        return name;
    // The short names a broadcast engineer uses for the usual positions; FFmpeg's own else.
    struct Short { AVChannel channel; const char* name; };
    static constexpr Short kShort[] = {
        {AV_CHAN_FRONT_LEFT, "L"},   {AV_CHAN_FRONT_RIGHT, "R"}, {AV_CHAN_FRONT_CENTER, "C"},
        {AV_CHAN_LOW_FREQUENCY, "LFE"}, {AV_CHAN_SIDE_LEFT, "Ls"}, {AV_CHAN_SIDE_RIGHT, "Rs"},
        {AV_CHAN_BACK_LEFT, "Lb"},  {AV_CHAN_BACK_RIGHT, "Rb"},  {AV_CHAN_BACK_CENTER, "Cb"},
    };
    const AVChannel position = av_channel_layout_channel_from_index(layout, static_cast<unsigned>(channel));
    if (position == AV_CHAN_NONE || position == AV_CHAN_UNKNOWN || position == AV_CHAN_UNUSED)
        return name;
    for (const Short& s : kShort) {
        if (s.channel == position)
            return name + " (" + s.name + ")";
    }
    char text[32] = {};
    if (av_channel_name(text, sizeof(text), position) < 0 || text[0] == 0)
        return name;
    return name + " (" + text + ")";
}

}  // namespace quarvik
