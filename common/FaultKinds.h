// The fault vocabulary: every fault code with its names and result counter, in one table.
//
// A fault code is the index of its content-check parameter record, the nFault column of a
// stored fault and the key of every code-to-name lookup. kNoFault (100) is never stored.
// Check frames (1/25 s) are the time unit of every fault event.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace quarvik {

enum FaultCode : int32_t {
    kFaultVideoLost = 0,
    kFaultStillFrame = 1,
    kFaultBlack = 2,
    kFaultColourBars = 3,
    kFaultColourField = 4,
    kFaultMosaic = 5,
    // Kinds of our own beyond the text's: photosensitive flashes and patterns, broadcast-safe levels.
    kFaultFlash = 6,
    kFaultRedFlash = 7,
    kFaultPattern = 8,
    kFaultLumaLevel = 9,
    kFaultGamutLevel = 10,
    kFaultDecodeError = 11,  // pictures or sound the decoder could not decode cleanly, or material cut short
    kFaultFlashWarning = 12,  // flashing at two to three flashes a second that stops before it fails
    kFaultSilenceLeft = 16,
    kFaultTooLowLeft = 17,
    kFaultTooHighLeft = 18,
    kFaultSilenceRight = 19,
    kFaultTooLowRight = 20,
    kFaultTooHighRight = 21,
    // Every sound channel beyond the first two of the first track, under one set of limits;
    // the event's channel is named beside it (SoundChannel_t).
    kFaultSilenceOther = 22,
    kFaultTooLowOther = 23,
    kFaultTooHighOther = 24,
    kNoFault = 100,
};

constexpr int kCheckFramesPerSecond = 25;

struct FaultKind {
    int32_t code;
    const char* shortName;      // "SF"
    const char* counterColumn;  // Results counter column; nullptr: it counts in FaultCounts (a listed kind) or nowhere
    const char* optionName;     // options-page row name, nullptr when it has no row
    const char* detailName;     // name on the detail page and in reports and checker output
    const char* listTitle;      // title of its count column in the result list and the history; nullptr: none
    int listWidth;              // that column's width in pixels
    const char* exportTitle;    // title of that column in the history export
    // The options page's labels of the two thresholds and the units it shows them in; nullptr:
    // those of the text's picture rows (a grey level and a share in percent); "": the kind
    // has no thresholds of its own.
    const char* threshold1Label = nullptr;
    const char* threshold2Label = nullptr;
    const char* threshold1Unit = nullptr;
    const char* threshold2Unit = nullptr;
    // Its events are warnings: listed, counted and reported like every other, but a result
    // they alone mark is not failed (FailsResult).
    bool warningOnly = false;
};

// Every fault kind, in the order of the count columns of the result list, the history and its
// export: the text's columns first, then the kinds of our own, which count in the FaultCounts
// table of task.db. A kind added here gets its column, counter and export column from this row.
inline constexpr FaultKind kFaultKinds[] = {
    {kFaultStillFrame, "SF", "nSFCount", "静帧", "静帧", "静帧", 35, "静帧"},
    {kFaultBlack, "BB", "nBBCount", "黑场", "黑场", "黑场", 35, "黑场"},
    {kFaultColourField, "CF", "nCFCount", "彩场", "彩场", "彩场", 35, "彩场"},
    {kFaultColourBars, "CB", "nCBCount", "彩条", "彩条", "彩条", 35, "彩条"},
    {kFaultMosaic, "MSC", "nMSCCount", "马赛克", "马赛克", "马赛克", 45, "马赛克"},
    {kFaultSilenceLeft, "NA1", "nNA1Count", "静音", "静音(左)", "静音(L)", 45, "左音无"},
    {kFaultTooLowLeft, "AL1", "nAL1Count", "音频过低", "低音(左)", "音弱(L)", 45, "左音低"},
    {kFaultTooHighLeft, "AH1", "nAH1Count", "音频过高", "高音(左)", "音强(L)", 45, "左音高"},
    {kFaultSilenceRight, "NA2", "nNA2Count", "静音", "静音(右)", "静音(R)", 45, "右音无"},
    {kFaultTooLowRight, "AL2", "nAL2Count", "音频过低", "低音(右)", "音弱(R)", 45, "右音低"},
    {kFaultTooHighRight, "AH2", "nAH2Count", "音频过高", "高音(右)", "音强(R)", 45, "右音高"},
    {kFaultVideoLost, "NV", "nNVCount", nullptr, "Video Lost", "视频丢失", 55, "视频丢失"},
    {kFaultSilenceOther, "NA3", "nNA3Count", "静音", "静音(其他)", "静音(其他)", 65, "其他音无"},
    {kFaultTooLowOther, "AL3", "nAL3Count", "音频过低", "低音(其他)", "音弱(其他)", 65, "其他音低"},
    {kFaultTooHighOther, "AH3", "nAH3Count", "音频过高", "高音(其他)", "音强(其他)", 65, "其他音高"},
    {kFaultFlash, "FL", nullptr, "闪烁", "闪烁", "闪烁", 35, "闪烁", "亮度差(cd/m²):", "面积(%):", " cd/m²", " %"},
    {kFaultRedFlash, "RF", nullptr, "红色闪烁", "红色闪烁", "红闪", 35, "红色闪烁", "红色差:", "面积(%):", "", " %"},
    {kFaultPattern, "PT", nullptr, "规则图案", "规则图案", "图案", 35, "规则图案", "对比度(cd/m²):", "面积(%):",
     " cd/m²", " %"},
    {kFaultLumaLevel, "YL", nullptr, "亮度越界", "亮度越界", "亮度", 35, "亮度越界", "下限(%):", "上限(%):", " %", " %"},
    {kFaultGamutLevel, "GL", nullptr, "色域越界", "色域越界", "色域", 35, "色域越界", "下限(%):", "上限(%):", " %", " %"},
    {kFaultDecodeError, "DE", nullptr, "解码错误", "解码错误", "解码", 35, "解码错误"},
    // Judged with the flash rows' thresholds.
    {kFaultFlashWarning, "FW", nullptr, "闪烁警告", "闪烁警告", "闪烁警告", 55, "闪烁警告", "", "", "", "", true},
};

namespace detail {
constexpr size_t CountListedKinds()
{
    size_t n = 0;
    for (const FaultKind& kind : kFaultKinds)
        n += kind.listTitle != nullptr;
    return n;
}
constexpr auto ListedKinds()
{
    std::array<int32_t, CountListedKinds()> kinds{};
    size_t i = 0;
    for (const FaultKind& kind : kFaultKinds) {
        if (kind.listTitle)
            kinds[i++] = kind.code;
    }
    return kinds;
}
}  // namespace detail

// The fault kinds of the count columns of the result list, the history and its export, in
// column order. Every kind listed has a counter (a Results column or a FaultCounts row) and
// the titles above.
inline constexpr auto kCountColumnKinds = detail::ListedKinds();

// Number of fault codes (the parameter records); every code below it may have a counter.
constexpr int kFaultCodeCount = 32;

// Count column (from 0) of a kind; -1 for a kind without one.
int CountColumnOfKind(int32_t kind);

// The kind of a code, or nullptr for a code outside the table (13-15, 25-31, 100, ...).
const FaultKind* FindFaultKind(int32_t code);

// Detail-page name of a code; "UN" for a code outside the table.
const char* FaultDetailName(int32_t code);

// Result counter column of a code when a fault event of it is stored; nullptr when none
// (a kind of our own, which counts in FaultCounts, and every code outside the table).
const char* FaultCounterColumn(int32_t code);

// Picture fault codes (0-15) carry a snapshot; sound codes (16 and above) carry a level.
constexpr bool IsPictureFault(int32_t code) { return code >= 0 && code <= 15; }

// An event of the code makes its result fail: true for every code but a warning kind's (and
// for a code outside the table, which nothing can tell harmless). Every verdict of a result
// (the list's and the history's red, the alarm, the checker's exit status, the reports) asks
// this, so that a result whose only events are warnings reads as clean.
bool FailsResult(int32_t code);

// A kind of the table without a Results column: its count lives in the FaultCounts table.
bool CountsInFaultCounts(int32_t code);

// The silence code of a sound code's channel group (16 left, 19 right, 22 other channels);
// its record switches the group on and holds, with the next two, its limits.
constexpr int32_t SoundGroupOf(int32_t code) { return code - (code - kFaultSilenceLeft) % 3; }
constexpr bool IsSoundFault(int32_t code) { return code >= kFaultSilenceLeft && code <= kFaultTooHighOther; }

// The channel a sound event lies on: its track (audio stream, from 1) and its channel in that
// track (from 1), with the short name an operator reads ("音轨3", "音轨2 右", "音轨1 声道3 (C)").
struct SoundChannel_t {
    int32_t nTrack = 0;  // 0: not known (a result stored before channels were named)
    int32_t nChannel = 0;
    std::string name;
};

// The channel of an event of the first two channels (codes 16-21), which their codes name.
SoundChannel_t KnownSoundChannel(int32_t code);

// The name of a fault event wherever it is shown: the detail name, and for an event on a
// channel beyond the first two the channel's name behind it ("静音 音轨3").
std::string FaultEventName(int32_t code, const std::string& channelName);

// A check frame as "%02d:%02d:%02d.%02d" (hours, minutes, seconds, frames at 25 per second).
std::string CheckFrameTimeCode(int64_t frame);

}  // namespace quarvik
