// The texts of a result's row in the result list and the history (columns 1 on), which the
// history export also writes.
#pragma once

#include "FaultKinds.h"
#include "Pictures.h"
#include "TaskRecords.h"
#include "TaskStates.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quarvik {

// Columns 5 on: one per kind of kCountColumnKinds (5 still frame ... 15 too high, right, 16
// video lost, then the kinds of our own).
constexpr int kCountColumns = static_cast<int>(kCountColumnKinds.size());

struct ResultRowTexts {
    std::string checkTime;  // 1: tmBegin in local time, "%Y-%m-%d %H:%M:%S"
    std::string file;       // 2: szFilename in display form
    std::string name;       // 3: szName
    FormatIcon formatIcon;  // 4
    std::array<std::string, kCountColumns> counts;  // one per count column, "%d"; "-" when nothing was counted
    std::string state;                  // after the counts: how the check ended (ResultStateName)
    const StateColour* failure;         // the state's colour when it is a failure, else nullptr
};

// The history's row: a result whose format check failed shows "0" in every count column, one
// whose material could not be opened "-".
ResultRowTexts HistoryRowTexts(const ResultInfo_t& result);

// True when the count text of a failing kind (FailsResult) is a number other than 0 (warnings
// alone leave a row as it is): the row is shown and exported in red, unless its state is a
// failure, whose colour comes first.
bool ShowsFaults(const ResultRowTexts& texts);
// ShowsFaults, or a failed format check (whose counts read 0): the row is red in the history
// and its export alike, unless its state is a failure.
bool ShowsInRed(const ResultRowTexts& texts);

// "#RRGGBB", for HTML.
std::string HtmlColour(const StateColour& colour);


// Blank while not checked, a red cross for an invalid format, a green tick otherwise.
FormatIcon FormatIconOf(int32_t nFmtError);

}  // namespace quarvik
