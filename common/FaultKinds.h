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
    kFaultSilenceLeft = 16,
    kFaultTooLowLeft = 17,
    kFaultTooHighLeft = 18,
    kFaultSilenceRight = 19,
    kFaultTooLowRight = 20,
    kFaultTooHighRight = 21,
    kNoFault = 100,
};

constexpr int kCheckFramesPerSecond = 25;

struct FaultKind {
    int32_t code;
    const char* shortName;      // "SF"
    const char* counterColumn;  // result counter column, nullptr when the code counts nowhere
    const char* optionName;     // options-page row name, nullptr when it has no row
    const char* detailName;     // name on the detail page and in reports and checker output
    const char* listTitle;      // title of its count column in the result list and the history
    int listWidth;              // that column's width in pixels
    const char* exportTitle;    // title of that column in the history export
};

// The fault kinds of the count columns of the result list, the history and its export, in
// column order. Every kind listed has a counter column and the titles above.
inline constexpr std::array<int32_t, 12> kCountColumnKinds = {
    kFaultStillFrame,   kFaultBlack,        kFaultColourField, kFaultColourBars,   kFaultMosaic,        kFaultSilenceLeft,
    kFaultTooLowLeft,   kFaultTooHighLeft,  kFaultSilenceRight, kFaultTooLowRight, kFaultTooHighRight, kFaultVideoLost,
};

// Count column (from 0) of a kind; -1 for a kind without one.
int CountColumnOfKind(int32_t kind);

// The kind of a code, or nullptr for a code outside the table (6-15, 22-31, 100, ...).
const FaultKind* FindFaultKind(int32_t code);

// Detail-page name of a code; "UN" for a code outside the table.
const char* FaultDetailName(int32_t code);

// Result counter column of a code when a fault event of it is stored; nullptr when none
// (every code outside the table).
const char* FaultCounterColumn(int32_t code);

// Picture fault codes (0-7) carry a snapshot; sound codes (16 and above) carry a level.
constexpr bool IsPictureFault(int32_t code) { return code >= 0 && code <= 7; }

// A check frame as "%02d:%02d:%02d.%02d" (hours, minutes, seconds, frames at 25 per second).
std::string CheckFrameTimeCode(int64_t frame);

}  // namespace quarvik
