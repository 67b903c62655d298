// The history page's query: by name part, or by a range of whole local days (today when
// neither box is checked), newest first. Rows come without their face pictures; the page reads
// those for the rows it shows.
#pragma once

#include "SqliteDb.h"
#include "TaskQueries.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quarvik {

struct LocalDay {
    int year, month, day;  // month 1-12
};

// Seconds since 1970 of the day's 00:00:00 and 23:59:59 local time; daylight saving is decided
// by the conversion.
int32_t LocalDayStart(const LocalDay& day);
int32_t LocalDayEnd(const LocalDay& day);

struct HistoryFilter {
    bool byTime = true;
    bool byName = false;
    LocalDay from{}, to{};
    std::string name;  // UTF-8
};

// The results the filter chooses; by name with an empty name: none.
std::vector<ResultRow> QueryHistory(CSqliteDb& db, const HistoryFilter& filter, const LocalDay& today);

// Deletes the results (their faults, media information and deviations go with them by the
// database's trigger); a failing statement is reported and the rest are deleted all the same.
// Returns how many were deleted.
int DeleteHistoryResults(CSqliteDb& db, const std::vector<int32_t>& ids);

}  // namespace quarvik
