// The texts of a result's row in the result list and the history (columns 1-16), which the
// history export also writes.
#pragma once

#include "FaultKinds.h"
#include "Pictures.h"
#include "TaskRecords.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quarvik {

// Columns 5 on: one per kind of kCountColumnKinds (5 still frame ... 15 too high, right, 16
// video lost).
constexpr int kCountColumns = static_cast<int>(kCountColumnKinds.size());

struct ResultRowTexts {
    std::string checkTime;  // 1: tmBegin in local time, "%Y-%m-%d %H:%M:%S"
    std::string file;       // 2: szFilename in display form
    std::string name;       // 3: szName
    FormatIcon formatIcon;  // 4
    std::array<std::string, kCountColumns> counts;  // 5-16, "%d"
};

// The history's row: a result whose format check failed shows "0" in every count column.
ResultRowTexts HistoryRowTexts(const ResultInfo_t& result);

// True when any count text differs from "0": the row is shown and exported in red.
bool ShowsFaults(const ResultRowTexts& texts);


// Blank while not checked, a red cross for an invalid format, a green tick otherwise.
FormatIcon FormatIconOf(int32_t nFmtError);

}  // namespace quarvik
