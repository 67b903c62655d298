#include "SoundTests.h"

#include "FaultKinds.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quarvik {

namespace {

// Largest magnitude of each channel of a mono or stereo unit, read with a stride the compiler
// knows; -32768 counts as 32768.
template <int kStride>
void PeaksOf(const int16_t* samples, int sampleCount, int32_t* peaks)
{
    for (int c = 0; c < kStride; ++c) {
        int32_t top = 0, bottom = 0;
        const int16_t* s = samples + c;
        for (int i = 0; i < sampleCount; ++i, s += kStride) {
            top = std::max<int32_t>(top, *s);
            bottom = std::min<int32_t>(bottom, *s);
        }
        peaks[c] = std::max(top, -bottom);
    }
}

// The same for many channels: frame by frame, along the channels of a frame, which lie side by
// side, so the loop vectorises whatever their count (in groups of up to 64).
void PeaksAcross(const int16_t* samples, int channels, int sampleCount, int32_t* peaks)
{
    constexpr int kGroup = 64;
    for (int first = 0; first < channels; first += kGroup) {
        const int count = std::min(kGroup, channels - first);
        int16_t top[kGroup] = {}, bottom[kGroup] = {};
        const int16_t* frame = samples + first;
        for (int i = 0; i < sampleCount; ++i, frame += channels) {
            for (int c = 0; c < count; ++c) {
                top[c] = std::max(top[c], frame[c]);
                bottom[c] = std::min(bottom[c], frame[c]);
            }
        }
        for (int c = 0; c < count; ++c)
            peaks[first + c] = std::max<int32_t>(top[c], -static_cast<int32_t>(bottom[c]));
    }
}

}  // namespace

void MeasurePeaks(const int16_t* samples, int channels, int sampleCount, int32_t* peaks)
{
    if (channels <= 0)
        return;
    std::fill(peaks, peaks + channels, 0);
    if (!samples || sampleCount <= 0)
        return;
    switch (channels) {
    case 1: PeaksOf<1>(samples, sampleCount, peaks); break;
    case 2: PeaksOf<2>(samples, sampleCount, peaks); break;
    default: PeaksAcross(samples, channels, sampleCount, peaks); break;
    }
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
