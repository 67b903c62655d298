// The loudness of a result as the detail page's node, the report's section and graph, and the
// history export's column read from task.db.
#include "HistoryExport.h"
#include "HtmlText.h"
#include "LoudnessView.h"
#include "ResultReport.h"
#include "StoredReport.h"
#include "StoredResults.h"
#include "ViewsTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quarvik {
namespace {

using test::ReadBytes;
using test::ScratchFolder;

LoudnessRow Loud(int32_t verdict)
{
    LoudnessRow row;
    // Two quiet seconds below the gate, then a programme at -18 LUFS.
    row.info = {-18.04, 6.25, -0.4, -14.0, -16.0, {std::nanf(""), std::nanf(""), -18.0f, -18.0f, -18.0f, -18.0f}};
    row.nVerdict = verdict;
    row.limits = {verdict != kLoudnessNotJudged, -23.0, 1.0, -1.0};
    return row;
}

TEST(LoudnessView, NodeTextsWithAndWithoutJudging)
{
    EXPECT_EQ(LoudnessNodeTexts(SummarizeLoudness(std::nullopt)), std::vector<std::string>{"未测量"});
    EXPECT_EQ(LoudnessNodeTexts(SummarizeLoudness(Loud(kLoudnessNotJudged))),
              (std::vector<std::string>{"综合响度 : -18.0 LUFS", "响度范围 : 6.2 LU", "真峰值 : -0.4 dBTP",
                                        "最大瞬时响度 : -14.0 LUFS", "最大短期响度 : -16.0 LUFS"}));
    const LoudnessSummary failed = SummarizeLoudness(Loud(kLoudnessFailed));
    const std::vector<std::string> texts = LoudnessNodeTexts(failed);
    ASSERT_EQ(texts.size(), 7u);
    EXPECT_EQ(texts[5], "目标 : -23.0 ±1.0 LUFS, 真峰值 ≤ -1.0 dBTP");
    EXPECT_EQ(texts[6], "响度不合格");
    EXPECT_EQ(SummarizeLoudness(Loud(kLoudnessPassed)).verdictText, "响度合格");

    LoudnessRow silent = Loud(kLoudnessNotJudged);
    silent.info.fIntegrated = silent.info.fRange = std::nan("");
    EXPECT_EQ(LoudnessNodeTexts(SummarizeLoudness(silent))[0], "综合响度 : - LUFS");
}

TEST(LoudnessView, GraphDrawsTheBandAndTheCurve)
{
    const QImage graph = LoudnessGraphImage(Loud(kLoudnessFailed), kLoudnessGraphWidth, kLoudnessGraphHeight);
    ASSERT_EQ(graph.size(), QSize(600, 160));
    // The plot spans -60..0 LUFS over rows 6..144: the band -24..-22 lies near y 61, the
    // curve at -18 near y 47, drawn from the third second on.
    const auto at = [&](double lufs, double secondsFraction) {
        const int x = 34 + static_cast<int>(secondsFraction * (600 - 40));
        const int y = 6 + static_cast<int>(std::lround(-lufs / 60.0 * (160 - 22)));
        return graph.pixelColor(x, y);
    };
    EXPECT_GT(at(-23.5, 0.5).green(), at(-23.5, 0.5).red() + 30) << "band";
    EXPECT_GT(at(-18.0, 0.8).red(), 200) << "curve";
    EXPECT_LT(at(-18.0, 0.1).red(), 100) << "no curve below the gate";
}

TEST(LoudnessView, ReportSectionAndPicture)
{
    ResultReport report{};
    report.result.nFmtError = kFormatValid;
    const std::string without = ResultReportHtml(report);
    EXPECT_EQ(without.find("响度"), std::string::npos) << "no loudness, no section";

    report.loudness = Loud(kLoudnessFailed);
    const std::string html = ResultReportHtml(report);
    const size_t section = html.find("<b><font size=\"6\">响度检测结果</font></b>");
    ASSERT_NE(section, std::string::npos);
    EXPECT_GT(section, html.find("图像检测结果"));
    EXPECT_NE(html.find("<td>综合响度</td>\r\n<td>-18.0 LUFS</td>"), std::string::npos);
    EXPECT_NE(html.find("<font color=\"#FF0000\">响度不合格</font>"), std::string::npos);
    EXPECT_NE(html.find("<img border=\"0\" src=\"images/loudness.bmp\" >"), std::string::npos);

    ScratchFolder folder;
    const ReportOutcome outcome = WriteResultReport(folder.Path(), report);
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(ReadBytes(folder / "images/loudness.bmp").size(), 54u + 600 * 160 * 3);
    EXPECT_NE(ReadBytes(folder / "index.html").find(Utf8ToGbk("响度不合格")), std::string::npos);
}

TEST(LoudnessView, StoredReportAndHistoryExportReadTheStoredLoudness)
{
    ScratchFolder home;
    const test::StoredIds ids = test::StoreResults(home.Path());
    CSqliteDb db;
    ASSERT_TRUE(db.OpenTaskDb());
    ASSERT_TRUE(StoreLoudness(db, ids.faulty, Loud(kLoudnessPassed)));

    StoredResultReport stored;
    ASSERT_TRUE(LoadResultReport(db, ids.faulty, stored));
    ASSERT_TRUE(stored.report.loudness);
    EXPECT_EQ(stored.report.loudness->nVerdict, kLoudnessPassed);
    ASSERT_TRUE(LoadResultReport(db, ids.invalid, stored));
    EXPECT_FALSE(stored.report.loudness);

    std::vector<ResultRow> rows = LoadResultsBetween(db, 0, 0x7fffffff, false);
    db.Close();
    ScratchFolder out;
    ASSERT_TRUE(WriteHistoryExport(out.Path(), BorrowResultInfos(rows)).ok);
    const std::string page = ReadBytes(out / "index.html");
    EXPECT_NE(page.find(">-18.0</font></td>\r\n</tr>"), std::string::npos) << "the faulty row is red";
    EXPECT_NE(page.find(">-</font></td>\r\n</tr>"), std::string::npos) << "the invalid row, red as well, has none";
    unsetenv("QUARVIK_HOME");
}

}  // namespace
}  // namespace quarvik
