#include "SoundTests.h"

#include "FaultKinds.h"

#include <cmath>
#include <cstddef>
#include <cstdlib>

namespace quarvik {

ChannelPeaks MeasurePeaks(const int16_t* samples, int channels, int sampleCount)
{
    ChannelPeaks peaks;
    if (!samples || channels <= 0)
        return peaks;
    for (int i = 0; i < sampleCount; ++i) {
        const int16_t* frame = samples + static_cast<std::ptrdiff_t>(i) * channels;
        const int32_t left = std::abs(static_cast<int32_t>(frame[0]));
        if (left > peaks.left)
            peaks.left = left;
        if (channels > 1) {
            const int32_t right = std::abs(static_cast<int32_t>(frame[1]));
            if (right > peaks.right)
                peaks.right = right;
        }
    }
    return peaks;
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

}  // namespace quarvik
