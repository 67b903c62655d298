#include "FaultKinds.h"

#include <cstdio>

namespace quarvik {
namespace {

constexpr FaultKind kFaultKinds[] = {
    {kFaultVideoLost, "NV", "nNVCount", nullptr, "Video Lost", "视频丢失", 55, "视频丢失"},
    {kFaultStillFrame, "SF", "nSFCount", "静帧", "静帧", "静帧", 35, "静帧"},
    {kFaultBlack, "BB", "nBBCount", "黑场", "黑场", "黑场", 35, "黑场"},
    {kFaultColourBars, "CB", "nCBCount", "彩条", "彩条", "彩条", 35, "彩条"},
    {kFaultColourField, "CF", "nCFCount", "彩场", "彩场", "彩场", 35, "彩场"},
    {kFaultMosaic, "MSC", "nMSCCount", "马赛克", "马赛克", "马赛克", 45, "马赛克"},
    {kFaultSilenceLeft, "NA1", "nNA1Count", "静音", "静音(左)", "静音(L)", 45, "左音无"},
    {kFaultTooLowLeft, "AL1", "nAL1Count", "音频过低", "低音(左)", "音弱(L)", 45, "左音低"},
    {kFaultTooHighLeft, "AH1", "nAH1Count", "音频过高", "高音(左)", "音强(L)", 45, "左音高"},
    {kFaultSilenceRight, "NA2", "nNA2Count", nullptr, "静音(右)", "静音(R)", 45, "右音无"},
    {kFaultTooLowRight, "AL2", "nAL2Count", nullptr, "低音(右)", "音弱(R)", 45, "右音低"},
    {kFaultTooHighRight, "AH2", "nAH2Count", nullptr, "高音(右)", "音强(R)", 45, "右音高"},
};

}  // namespace

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

const char* FaultCounterColumn(int32_t code)
{
    const FaultKind* kind = FindFaultKind(code);
    return kind ? kind->counterColumn : nullptr;
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
