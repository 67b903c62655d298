// The texts of a result's row in the result list and the history (columns 1-15), which the
// history export also writes.
#pragma once

#include "Pictures.h"
#include "TaskRecords.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quarvik {

constexpr int kCountColumns = 11;  // columns 5-15

// Result counters in list column order (5 still frame ... 15 too high, right).
extern const std::array<int32_t ResultInfo_t::*, kCountColumns> kCountColumnFields;

struct ResultRowTexts {
    std::string checkTime;  // 1: tmBegin in local time, "%Y-%m-%d %H:%M:%S"
    std::string file;       // 2: szFilename in display form
    std::string name;       // 3: szName
    FormatIcon formatIcon;  // 4
    std::array<std::string, kCountColumns> counts;  // 5-15, "%d"
};

// The history's row: a result whose format check failed shows "0" in every count column.
ResultRowTexts HistoryRowTexts(const ResultInfo_t& result);

// True when any count text differs from "0": the row is shown and exported in red.
bool ShowsFaults(const ResultRowTexts& texts);


// Blank while not checked, a red cross for an invalid format, a green tick otherwise.
FormatIcon FormatIconOf(int32_t nFmtError);

}  // namespace quarvik
