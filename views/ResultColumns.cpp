#include "ResultColumns.h"

#include "FileDisplay.h"
#include "TaskQueries.h"

#include <cctype>
#include <cstdio>
#include <ctime>

namespace quarvik {

namespace {

std::string LocalTimeText(int32_t seconds)
{
    const std::time_t time = seconds;
    std::tm local{};
    char text[32] = "";
    if (localtime_r(&time, &local))
        std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

}  // namespace

ResultRowTexts HistoryRowTexts(const ResultInfo_t& result)
{
    const int32_t state = ResultStateOf(result, false);
    ResultRowTexts texts{LocalTimeText(result.tmBegin), DisplayFileName(result.szFilename), result.szName,
                         FormatIconOf(result.nFmtError), {}, ResultStateName(state), FailureColourOf(state)};
    for (int i = 0; i < kCountColumns; ++i)
        texts.counts[i] = state == kSubTaskOpenFailed          ? "-"
                          : result.nFmtError == kFormatInvalid ? "0"
                                                               : std::to_string(ResultCount(result, kCountColumnKinds[i]));
    return texts;
}

bool ShowsFaults(const ResultRowTexts& texts)
{
    for (int i = 0; i < kCountColumns; ++i) {
        const std::string& count = texts.counts[i];
        if (count != "0" && count != "-" && FailsResult(kCountColumnKinds[i]))
            return true;
    }
    return false;
}

bool ShowsInRed(const ResultRowTexts& texts)
{
    return texts.formatIcon == kFormatIconInvalid || ShowsFaults(texts);
}

std::string HtmlColour(const StateColour& colour)
{
    char text[8];
    std::snprintf(text, sizeof(text), "#%02X%02X%02X", colour.red, colour.green, colour.blue);
    return text;
}

FormatIcon FormatIconOf(int32_t nFmtError)
{
    return nFmtError == kFormatNotChecked ? kFormatIconBlank
           : nFmtError == kFormatInvalid  ? kFormatIconInvalid
                                          : kFormatIconValid;
}

}  // namespace quarvik
