#include "HistoryQuery.h"

#include <ctime>

namespace quarvik {
namespace {

int32_t LocalTime(const LocalDay& day, int hour, int minute, int second)
{
    std::tm t{};
    t.tm_year = day.year - 1900;
    t.tm_mon = day.month - 1;
    t.tm_mday = day.day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return static_cast<int32_t>(std::mktime(&t));
}

}  // namespace

int32_t LocalDayStart(const LocalDay& day) { return LocalTime(day, 0, 0, 0); }

int32_t LocalDayEnd(const LocalDay& day) { return LocalTime(day, 23, 59, 59); }

std::vector<ResultRow> QueryHistory(CSqliteDb& db, const HistoryFilter& filter, const LocalDay& today)
{
    if (filter.byName)
        return filter.name.empty() ? std::vector<ResultRow>{}
                                   : LoadResultsByName(db, filter.name, FacePictures::kWithout);
    const LocalDay& from = filter.byTime ? filter.from : today;
    const LocalDay& to = filter.byTime ? filter.to : today;
    return LoadResultsBetween(db, LocalDayStart(from), LocalDayEnd(to), true, FacePictures::kWithout);
}

int DeleteHistoryResults(CSqliteDb& db, const std::vector<int32_t>& ids)
{
    int deleted = 0;
    for (int32_t id : ids)
        deleted += DeleteResultFromHistory(db, id) ? 1 : 0;
    return deleted;
}

}  // namespace quarvik
