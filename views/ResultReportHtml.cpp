#include "FaultKinds.h"
#include "FileDisplay.h"
#include "HtmlText.h"
#include "LoudnessView.h"
#include "ResultColumns.h"
#include "ResultReport.h"
#include "TaskStates.h"

#include <algorithm>
#include <cstdio>

namespace quarvik {
namespace {

constexpr const char* kOneCellTable =
    "<table border=\"1\" width=\"700\" cellpadding=\"1\" cellspacing=\"0\" "
    "style=\"border:1px solid Navy;border-collapse:collapse;\">\r\n<tr>\r\n"
    "<th scope=\"col\"><i><font size=\"5\">%s</font></i></th>\r\n</tr>\r\n</table>\r\n";
constexpr const char* kTableStart =
    "<table border=\"1\" width=\"700\" cellpadding=\"1\" cellspacing=\"0\" "
    "style=\"border:1px solid Navy;border-collapse:collapse;\">\r\n<tr>\r\n";
constexpr const char* kSectionEnd = "</table>\r\n<br/><br/>";

std::string Format(const char* format, auto... args)
{
    const int length = std::snprintf(nullptr, 0, format, args...);
    std::string text(static_cast<size_t>(length), '\0');
    std::snprintf(text.data(), text.size() + 1, format, args...);
    return text;
}

std::string PropertyRow(const std::string& feature, const std::string& value)
{
    return Format("<tr><td style=\"padding-left: 30px\"><i>%s</i></td> <td style=\"padding-left: 30px\">%s</td></tr>\r\n",
                  HtmlEscape(feature).c_str(), HtmlEscape(value).c_str());
}

std::string MediaSection(const ResultReport& report)
{
    std::string html = "<b><font size=\"6\">媒体信息</font></b>"
                       "<table width=\"700\" border=\"0\" cellpadding=\"1\" cellspacing=\"2\" "
                       "style=\"border:1px solid Navy\">\r\n";
    for (size_t i = 0; i < report.media.size(); ++i) {
        const MediaInfoRow& row = report.media[i];
        // The file's own name and path go right under the first heading.
        if (i == 1) {
            html += PropertyRow("Name", report.result.szName);
            html += PropertyRow("FileName", DisplayFileName(report.result.szNewFilename));
        }
        if (!row.szFeature.starts_with(' '))
            html += Format("<tr><td width=\"300\"><h2>%s</h2></td></tr>\r\n", HtmlEscape(row.szFeature).c_str());
        else
            html += PropertyRow(row.szFeature, row.szValue);
    }
    return html + "</table>\r\n<br/><br/>";
}

std::string Cell(const std::string& text)
{
    return "<td>" + HtmlEscape(text) + "</td>\r\n";
}

std::string FormatSection(const ResultReport& report)
{
    std::string html = "<b><font size=\"6\">语法检测结果</font></b>";
    const int32_t verdict = report.result.nFmtError;
    if (verdict == kFormatNotChecked || verdict == kFormatValid)
        return html + Format(kOneCellTable, verdict == kFormatValid ? "格式正确" : "未检测") + kSectionEnd;
    html += kTableStart;
    html += "<th scope=\"col\">序号.</th>\r\n<th scope=\"col\">错误对象</th>\r\n<th scope=\"col\">有效值1</th>\r\n"
            "<th scope=\"col\">有效值2</th>\r\n<th scope=\"col\">实际值</th>\r\n</tr>\r\n";
    for (size_t i = 0; i < report.deviations.size(); ++i) {
        html += Format("<tr>\r\n<td width=60>%d</td>\r\n", static_cast<int>(i + 1));
        for (const std::string& text : DeviationTexts(report.deviations[i]))
            html += Cell(text);
        html += "</tr>\r\n";
    }
    return html + kSectionEnd;
}

std::string ContentSection(const ResultReport& report)
{
    std::string html = "<b><font size=\"6\">图像检测结果</font></b>";
    // A check that failed says so first; what it found until then (if anything) follows, but
    // never "no anomalies", which it cannot know.
    const int32_t state = ResultStateOf(report.result, false);
    const StateColour* failure = FailureColourOf(state);
    if (failure) {
        const std::string text = "<font color=\"" + HtmlColour(*failure) + "\">" + ResultStateName(state) + "</font>";
        html += Format(kOneCellTable, text.c_str());
    }
    if (!ReportListsFaults(report)) {
        if (failure)
            return html + kSectionEnd;
        return html + Format(kOneCellTable, report.result.nFmtError == kFormatInvalid ? "未检测！" : "图像无异常！") +
               kSectionEnd;
    }
    if (!failure && !ReportHasFailures(report))
        html += Format(kOneCellTable, "图像无异常！");
    if (report.clock)
        html += "<p>" + HtmlEscape(MaterialClockNote(*report.clock)) + "</p>\r\n";
    html += kTableStart;
    html += "<th scope=\"col\">序号</th>\r\n<th scope=\"col\">开始时间</th>\r\n<th scope=\"col\">结束时间</th>\r\n"
            "<th scope=\"col\">长度</th>\r\n<th scope=\"col\">异态</th>\r\n<th scope=\"col\"></th>\r\n</tr>\r\n";
    for (size_t i = 0; i < report.faults.size(); ++i) {
        html += Format("<tr>\r\n<td width=60>%d</td>\r\n", static_cast<int>(i + 1));
        for (const std::string& text : FaultEventTexts(report.faults[i], report.clock, report.FaultChannelName(i)))
            html += Cell(text);
        html += Format("<td width=90><img border=\"0\" src=\"images/%d.bmp\" ></td>\r\n</tr>\r\n", static_cast<int>(i));
    }
    return html + kSectionEnd;
}

std::string LoudnessSection(const ResultReport& report)
{
    // A result without loudness (no sound, or checked before loudness was measured) keeps the
    // page it always had.
    const LoudnessSummary summary = SummarizeLoudness(report.loudness);
    if (!summary.measured)
        return {};
    std::string html = "<b><font size=\"6\">响度检测结果</font></b>";
    html += kTableStart;
    html += "<th scope=\"col\">项目</th>\r\n<th scope=\"col\">数值</th>\r\n</tr>\r\n";
    for (const LoudnessFigureRow& row : summary.rows)
        html += "<tr>\r\n" + Cell(row.label) + Cell(row.value) + "</tr>\r\n";
    if (!summary.verdictText.empty()) {
        const bool failed = summary.verdict == kLoudnessFailed;
        html += Format("<tr>\r\n<td colspan=2>%s%s%s</td>\r\n</tr>\r\n", failed ? "<font color=\"#FF0000\">" : "",
                       summary.verdictText.c_str(), failed ? "</font>" : "");
    }
    html += Format("<tr>\r\n<td colspan=2><img border=\"0\" src=\"images/%s\" ></td>\r\n</tr>\r\n",
                   kLoudnessGraphFile);
    return html + kSectionEnd;
}

}  // namespace

std::array<std::string, 4> FaultEventTexts(const FaultInfo_t& fault, const std::optional<MaterialClock>& clock,
                                           const std::string& channel)
{
    const auto at = [&](int32_t frame) {
        return CheckFrameTimeCode(frame) + (clock ? " (" + clock->TimeCodeAt(frame) + ")" : "");
    };
    return {at(fault.tmBegin), at(fault.tmEnd), CheckFrameTimeCode(int64_t{fault.tmEnd} - fault.tmBegin + 1),
            FaultEventName(fault.nFault, channel)};
}

std::string MaterialClockNote(const MaterialClock& clock)
{
    return "括号内为素材时码: " + clock.RateText() + " fps, 起始 " +
           (clock.startTimeCode.empty() ? std::string("00:00:00:00") : clock.startTimeCode);
}

std::string ResultReport::FaultChannelName(size_t i) const
{
    if (i >= faults.size() || !IsSoundFault(faults[i].nFault))
        return {};
    return i < faultChannels.size() && !faultChannels[i].name.empty() ? faultChannels[i].name
                                                                       : KnownSoundChannel(faults[i].nFault).name;
}

std::array<std::string, 4> DeviationTexts(const SyntaxErrRow& row)
{
    return {row.szType + "." + row.szName, row.szVaildValue1, row.szVaildValue2.empty() ? " " : row.szVaildValue2,
            row.szRealValue};
}

bool ReportListsFaults(const ResultReport& report)
{
    return report.result.nFmtError != kFormatInvalid && !report.faults.empty();
}

bool ReportHasFailures(const ResultReport& report)
{
    return std::any_of(report.faults.begin(), report.faults.end(),
                       [](const FaultInfo_t& fault) { return FailsResult(fault.nFault); });
}

std::string ResultReportHtml(const ResultReport& report)
{
    return "<html><head><META http-equiv=\"Content-Type\" content=\"text/html; charset=GBK\" /></head>\r\n<body><center> " +
           MediaSection(report) + FormatSection(report) + ContentSection(report) + LoudnessSection(report) + "</center> </body></html>\r\n";
}

}  // namespace quarvik
