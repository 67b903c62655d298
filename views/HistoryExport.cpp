#include "HistoryExport.h"

#include "FaultKinds.h"
#include "GbkFile.h"
#include "HtmlText.h"
#include "Pictures.h"
#include "ReportFiles.h"
#include "ResultColumns.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace quarvik {

std::string HistoryHeader()
{
    std::string header =
        "<html>\r\n<head>\r\n<META http-equiv=\"Content-Type\" content=\"text/html;\" /></head>\r\n<body>\r\n"
        "<div><p align=\"center\"><b><font size=\"7\">检测报告</font></b></div></br>\r\n"
        "<div><table border=\"1\" width=\"100%\" cellpadding=\"1\" cellspacing=\"0\" "
        "style=\"border:1px solid Navy;border-collapse:collapse;\">\r\n<tr>\r\n<th scope=\"col\"></th>\r\n"
        "<th scope=\"col\">日期</th>\r\n<th scope=\"col\">文件</th>\r\n<th scope=\"col\">名称</th>\r\n"
        "<th scope=\"col\">格式</th>\r\n";
    for (int32_t kind : kCountColumnKinds)
        header += std::string("<th scope=\"col\">") + FindFaultKind(kind)->exportTitle + "</th>\r\n";
    return header + "<th scope=\"col\">状态</th>\r\n<th scope=\"col\">响度(LUFS)</th>\r\n</tr>\r\n";
}

const char* const kHistoryFooter = "</table></div>\r\n<br />\r\n</body>\r\n</html>\r\n";

namespace {

// colour: "" for the page's own, else "#RRGGBB".
std::string Cell(const std::string& text, const std::string& colour)
{
    const std::string escaped = HtmlEscape(text);
    return "<td>" + (colour.empty() ? escaped : "<font color=\"" + colour + "\">" + escaped + "</font>") + "</td>\r\n";
}

std::string ImageCell(const std::string& name)
{
    return "<td><img border=\"0\" src=\"images/" + name + "\" ></td>\r\n";
}

std::string FaceFileName(int i)
{
    return std::to_string(i) + ".bmp";
}

std::string FormatFileName(FormatIcon icon)
{
    return "fmt" + std::to_string(icon + 1) + ".bmp";
}

}  // namespace

std::string HistoryRowHtml(const ResultInfo_t& result, int i, const std::optional<LoudnessRow>& loudness)
{
    const ResultRowTexts texts = HistoryRowTexts(result);
    const std::string colour = texts.failure ? HtmlColour(*texts.failure) : ShowsInRed(texts) ? "#FF0000" : "";
    std::string html = "<tr>\r\n" + ImageCell(FaceFileName(i)) + Cell(texts.checkTime, colour) +
                       Cell(texts.file, colour) + Cell(texts.name, colour) + ImageCell(FormatFileName(texts.formatIcon));
    for (const std::string& count : texts.counts)
        html += Cell(count, colour);
    html += Cell(texts.state, colour);
    const bool loudnessFailed = loudness && loudness->nVerdict == kLoudnessFailed;
    html += Cell(loudness ? LoudnessFigureText(loudness->info.fIntegrated) : "-",
                 colour.empty() && loudnessFailed ? "#FF0000" : colour);
    return html + "</tr>\r\n";
}

ReportOutcome WriteHistoryExport(const std::string& folder, std::span<const ResultInfo_t> results)
{
    ReportOutcome outcome;
    const std::string images = MakeImagesFolder(folder, outcome);
    if (images.empty())
        return outcome;
    for (int icon = 0; icon < kFormatIconCount; ++icon)
        SaveReportPicture(FormatPicture(static_cast<FormatIcon>(icon)), images,
                          FormatFileName(static_cast<FormatIcon>(icon)), outcome);

    const std::string pagePath = folder + "/index.html";
    if (results.empty()) {
        if (std::remove(pagePath.c_str()) != 0 && errno != ENOENT)
            outcome.Fail("cannot remove " + pagePath + ": " + std::strerror(errno));
        return outcome;
    }
    GbkFile page;
    if (!page.Open(pagePath)) {
        outcome.Fail(page.Error());
        return outcome;
    }
    // Only stored results have loudness; the database is not opened (nor made) for others.
    CSqliteDb db;
    const bool stored = std::any_of(results.begin(), results.end(), [](const ResultInfo_t& r) { return r.nID > 0; }) &&
                        db.OpenTaskDb();
    bool written = page.Write(HistoryHeader());
    for (size_t i = 0; written && i < results.size(); ++i) {
        const ResultInfo_t& result = results[i];
        SaveReportPicture(FacePicture(result.pFaceImage, result.nFaceImageSize), images,
                          FaceFileName(static_cast<int>(i)), outcome);
        std::optional<LoudnessRow> loudness;
        LoudnessRow row;
        if (stored && result.nID > 0 && LoadLoudness(db, result.nID, row))
            loudness = std::move(row);
        written = page.Write(HistoryRowHtml(result, static_cast<int>(i), loudness));
    }
    // A table without its end is no page: remove it rather than leave half of one.
    if (!written || !page.Write(kHistoryFooter) || !page.Close()) {
        outcome.Fail(page.Error());
        page.Remove();
    }
    return outcome;
}

}  // namespace quarvik
