#include "FaultKinds.h"

#include <cstdio>

namespace quarvik {

const FaultKind* FindFaultKind(int32_t code)
{
    for (const FaultKind& kind : kFaultKinds) {
        if (kind.code == code)
            return &kind;
    }
    return nullptr;
}

const char* FaultDetailName(int32_t code)
{
    const FaultKind* kind = FindFaultKind(code);
    return kind ? kind->detailName : "UN";
}

int CountColumnOfKind(int32_t kind)
{
    for (size_t c = 0; c < kCountColumnKinds.size(); ++c) {
        if (kCountColumnKinds[c] == kind)
            return static_cast<int>(c);
    }
    return -1;
}

bool FailsResult(int32_t code)
{
    const FaultKind* kind = FindFaultKind(code);
    return !kind || !kind->warningOnly;
}

bool CountsInFaultCounts(int32_t code)
{
    const FaultKind* kind = FindFaultKind(code);
    return kind && !kind->counterColumn && kind->listTitle && code >= 0 && code < kFaultCodeCount;
}

const char* FaultCounterColumn(int32_t code)
{
    const FaultKind* kind = FindFaultKind(code);
    return kind ? kind->counterColumn : nullptr;
}

SoundChannel_t KnownSoundChannel(int32_t code)
{
    if (code >= kFaultSilenceLeft && code <= kFaultTooHighLeft)
        return {1, 1, "音轨1 左"};
    if (code >= kFaultSilenceRight && code <= kFaultTooHighRight)
        return {1, 2, "音轨1 右"};
    return {};
}

std::string FaultEventName(int32_t code, const std::string& channelName)
{
    if (!IsSoundFault(code) || SoundGroupOf(code) != kFaultSilenceOther || channelName.empty())
        return FaultDetailName(code);
    static constexpr const char* kLevelNames[] = {"静音", "低音", "高音"};
    return std::string(kLevelNames[code - kFaultSilenceOther]) + " " + channelName;
}

std::string CheckFrameTimeCode(int64_t frame)
{
    // 64 bits: a span of a corrupt row (from -2^31 to 2^31 - 1) is shown, not overflowed.
    const char* sign = frame < 0 ? "-" : "";
    const uint64_t magnitude = frame < 0 ? 0 - static_cast<uint64_t>(frame) : static_cast<uint64_t>(frame);
    const uint64_t s = magnitude / kCheckFramesPerSecond;
    char text[48];
    std::snprintf(text, sizeof(text), "%s%02llu:%02llu:%02llu.%02llu", sign, static_cast<unsigned long long>(s / 3600),
                  static_cast<unsigned long long>((s % 3600) / 60), static_cast<unsigned long long>(s % 60),
                  static_cast<unsigned long long>(magnitude % kCheckFramesPerSecond));
    return text;
}

}  // namespace quarvik
