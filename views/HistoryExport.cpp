#include "HistoryExport.h"

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

const char* const kHistoryHeader =
    "<html>\r\n<head>\r\n<META http-equiv=\"Content-Type\" content=\"text/html;\" /></head>\r\n<body>\r\n"
    "<div><p align=\"center\"><b><font size=\"7\">检测报告</font></b></div></br>\r\n"
    "<div><table border=\"1\" width=\"100%\" cellpadding=\"1\" cellspacing=\"0\" "
    "style=\"border:1px solid Navy;border-collapse:collapse;\">\r\n<tr>\r\n<th scope=\"col\"></th>\r\n"
    "<th scope=\"col\">日期</th>\r\n<th scope=\"col\">文件</th>\r\n<th scope=\"col\">名称</th>\r\n"
    "<th scope=\"col\">格式</th>\r\n<th scope=\"col\">静帧</th>\r\n<th scope=\"col\">黑场</th>\r\n"
    "<th scope=\"col\">彩场</th>\r\n<th scope=\"col\">彩条</th>\r\n<th scope=\"col\">马赛克</th>\r\n"
    "<th scope=\"col\">左音无</th>\r\n<th scope=\"col\">左音低</th>\r\n<th scope=\"col\">左音高</th>\r\n"
    "<th scope=\"col\">右音无</th>\r\n<th scope=\"col\">右音低</th>\r\n<th scope=\"col\">右音高</th>\r\n"
    "<th scope=\"col\">响度(LUFS)</th>\r\n</tr>\r\n";
const char* const kHistoryFooter = "</table></div>\r\n<br />\r\n</body>\r\n</html>\r\n";

namespace {

std::string Cell(const std::string& text, bool red)
{
    const std::string escaped = HtmlEscape(text);
    return "<td>" + (red ? "<font color=\"#FF0000\">" + escaped + "</font>" : escaped) + "</td>\r\n";
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
    const bool red = ShowsFaults(texts);
    std::string html = "<tr>\r\n" + ImageCell(FaceFileName(i)) + Cell(texts.checkTime, red) + Cell(texts.file, red) +
                       Cell(texts.name, red) + ImageCell(FormatFileName(texts.formatIcon));
    for (const std::string& count : texts.counts)
        html += Cell(count, red);
    const bool loudnessFailed = loudness && loudness->nVerdict == kLoudnessFailed;
    html += Cell(loudness ? LoudnessFigureText(loudness->info.fIntegrated) : "-", red || loudnessFailed);
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
    bool written = page.Write(kHistoryHeader);
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
