#include "ExportArgs.h"

#include <cstdio>
#include <ctime>
#include <exception>
#include <string>

namespace quarvik {
namespace {

// Seconds since 1970 of a local date and time, daylight saving as the conversion decides.
int LocalSeconds(const std::tm& day, int hour, int minute, int second)
{
    std::tm t = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return static_cast<int>(std::mktime(&t));
}

// A "YYYY-MM-DD" that names a real day.
bool ParseDay(const std::string& text, std::tm& day)
{
    int year = 0, month = 0, mday = 0;
    char end = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &year, &month, &mday, &end) != 3)
        return false;
    day = std::tm{};
    day.tm_year = year - 1900;
    day.tm_mon = month - 1;
    day.tm_mday = mday;
    day.tm_hour = 12;
    day.tm_isdst = -1;
    std::tm check = day;
    return std::mktime(&check) != -1 && check.tm_mday == mday && check.tm_mon == month - 1;
}

std::tm Today()
{
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    return today;
}

}  // namespace

bool ParseExportArgs(int argc, char** argv, ExportArgs& args, std::string& error)
{
    std::tm first = Today();
    std::tm last = first;
    bool haveDays = false, haveName = false, haveResult = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool takesValue = arg == "--from" || arg == "--to" || arg == "--name" || arg == "--result";
        if (takesValue && i + 1 == argc) {
            error = arg + " needs a value";
            return false;
        }
        if (arg == "--from" || arg == "--to") {
            if (!ParseDay(argv[++i], arg == "--from" ? first : last)) {
                error = arg + " needs a date as YYYY-MM-DD, not \"" + argv[i] + "\"";
                return false;
            }
            haveDays = true;
        } else if (arg == "--name") {
            args.namePart = argv[++i];
            haveName = true;
        } else if (arg == "--result") {
            const std::string id = argv[++i];
            size_t used = 0;
            try {
                args.resultId = std::stoi(id, &used);
            } catch (const std::exception&) {
                used = 0;
            }
            if (used == 0 || used != id.size() || args.resultId <= 0) {
                error = "--result needs a result id (a positive number), not \"" + id + "\"";
                return false;
            }
            haveResult = true;
        } else if (!arg.empty() && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else if (!args.folder.empty()) {
            error = "more than one folder given";
            return false;
        } else {
            args.folder = arg;
        }
    }
    if (haveDays + haveName + haveResult > 1) {
        error = "choose one of --from/--to, --name and --result";
        return false;
    }
    if (args.folder.empty()) {
        error = "no output folder given";
        return false;
    }
    if (haveName && args.namePart.empty()) {
        error = "--name needs a non-empty text";
        return false;
    }
    args.mode = haveName ? ExportArgs::kName : haveResult ? ExportArgs::kResult : ExportArgs::kDays;
    args.from = LocalSeconds(first, 0, 0, 0);
    args.to = LocalSeconds(last, 23, 59, 59);
    if (args.mode == ExportArgs::kDays && args.from > args.to) {
        error = "--from lies after --to";
        return false;
    }
    return true;
}

}  // namespace quarvik
