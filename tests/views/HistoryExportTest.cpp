#include "HistoryExport.h"
#include "ResultColumns.h"

#include "HtmlText.h"
#include "TextField.h"
#include "ViewsTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <vector>

namespace quarvik {
namespace {

using test::ReadBytes;
using test::ScratchFolder;
using namespace std::string_literals;

std::set<std::string> FileNames(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

class HistoryExport : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TZ", "UTC", 1);
        tzset();
    }

    static ResultInfo_t Result(const char* name, int32_t verdict, int32_t stillFrames)
    {
        ResultInfo_t r{};
        r.tmBegin = 1700000000;
        CopyField(r.szName, name);
        CopyField(r.szFilename, std::string("/media/") + name);
        r.nFmtError = verdict;
        r.nSFCount = stillFrames;
        r.tmEnd = r.tmBegin + 10;  // a check that finished
        return r;
    }
};

TEST_F(HistoryExport, HeaderNamesEveryCountColumnThenTheStateThenTheLoudness)
{
    // The page says its charset; the eleven columns of picture and sound faults take 754 bytes
    // in GBK with it; video lost, the other channels' three, the kinds counted in FaultCounts,
    // the state and the integrated loudness follow.
    std::string added = "<th scope=\"col\">视频丢失</th>\r\n<th scope=\"col\">其他音无</th>\r\n"
                        "<th scope=\"col\">其他音低</th>\r\n<th scope=\"col\">其他音高</th>\r\n";
    for (const char* title : {"闪烁", "红色闪烁", "规则图案", "亮度越界", "色域越界", "解码错误", "闪烁警告"})
        added += std::string("<th scope=\"col\">") + title + "</th>\r\n";
    added += "<th scope=\"col\">状态</th>\r\n<th scope=\"col\">响度(LUFS)</th>\r\n";
    const std::string header = HistoryHeader();
    ASSERT_TRUE(header.ends_with(added + "</tr>\r\n"));
    EXPECT_NE(header.find("<head>\r\n<META http-equiv=\"Content-Type\" content=\"text/html; charset=GBK\" /></head>"),
              std::string::npos);
    EXPECT_EQ(Utf8ToGbk(header).size() - Utf8ToGbk(added).size(), 754u);
    EXPECT_NE(header.find("<th scope=\"col\">马赛克</th>\r\n<th scope=\"col\">左音无</th>"), std::string::npos);
    EXPECT_EQ(std::string(kHistoryFooter), "</table></div>\r\n<br />\r\n</body>\r\n</html>\r\n");
}

TEST_F(HistoryExport, RowsBareOrRed)
{
    std::string counts;
    for (int i = 1; i < kCountColumns; ++i)
        counts += "<td>0</td>\r\n";
    counts += "<td>检测完毕</td>\r\n<td>-</td>\r\n</tr>\r\n";
    EXPECT_EQ(HistoryRowHtml(Result("a&b.mxf", kFormatValid, 0), 3),
              "<tr>\r\n<td><img border=\"0\" src=\"images/3.bmp\" ></td>\r\n<td>2023-11-14 22:13:20</td>\r\n"
              "<td>/media/a&amp;b.mxf</td>\r\n<td>a&amp;b.mxf</td>\r\n<td><img border=\"0\" src=\"images/fmt2.bmp\" ></td>\r\n"
              "<td>0</td>\r\n" + counts);

    const std::string red = "<font color=\"#FF0000\">";
    std::string redZeros;
    for (int i = 1; i < kCountColumns; ++i)
        redZeros += "<td>" + red + "0</font></td>\r\n";
    EXPECT_EQ(HistoryRowHtml(Result("b.mxf", kFormatNotChecked, 2), 0),
              "<tr>\r\n<td><img border=\"0\" src=\"images/0.bmp\" ></td>\r\n<td>" + red +
                  "2023-11-14 22:13:20</font></td>\r\n<td>" + red + "/media/b.mxf</font></td>\r\n<td>" + red +
                  "b.mxf</font></td>\r\n<td><img border=\"0\" src=\"images/fmt1.bmp\" ></td>\r\n<td>" + red +
                  "2</font></td>\r\n" + redZeros + "<td>" + red + "检测完毕</font></td>\r\n<td>" + red +
                  "-</font></td>\r\n</tr>\r\n");

    // Video lost alone makes the row red; its count comes before the other channels' three and
    // the kinds counted in FaultCounts.
    ResultInfo_t lost = Result("d.mxf", kFormatValid, 0);
    lost.nNVCount = 1;
    const std::string lostRow = HistoryRowHtml(lost, 2);
    EXPECT_NE(lostRow.find("#FF0000"), std::string::npos);
    const std::string redZero = "<td>" + red + "0</font></td>\r\n";
    std::string zerosAfterLost;
    for (int c = CountColumnOfKind(kFaultVideoLost) + 1; c < kCountColumns; ++c)
        zerosAfterLost += redZero;
    EXPECT_TRUE(lostRow.ends_with("<td>" + red + "1</font></td>\r\n" + zerosAfterLost + "<td>" + red +
                                  "检测完毕</font></td>\r\n<td>" + red + "-</font></td>\r\n</tr>\r\n"));

    // A warning alone is counted but leaves the row bare.
    ResultInfo_t warned = Result("e.mxf", kFormatValid, 0);
    warned.nKindCounts[kFaultFlashWarning] = 1;
    const std::string warnedRow = HistoryRowHtml(warned, 2);
    EXPECT_EQ(warnedRow.find("#FF0000"), std::string::npos) << warnedRow;
    EXPECT_TRUE(warnedRow.ends_with("<td>1</td>\r\n<td>检测完毕</td>\r\n<td>-</td>\r\n</tr>\r\n")) << warnedRow;

    // The integrated loudness follows the state; a failed one alone is red.
    LoudnessRow loudness;
    loudness.info = {-23.04, 3.0, -2.0, -20.0, -21.0, {}};
    const std::string passed = HistoryRowHtml(Result("d.mxf", kFormatValid, 0), 2, loudness);
    EXPECT_TRUE(passed.ends_with("<td>检测完毕</td>\r\n<td>-23.0</td>\r\n</tr>\r\n")) << passed;
    loudness.nVerdict = kLoudnessFailed;
    const std::string failed = HistoryRowHtml(Result("d.mxf", kFormatValid, 0), 2, loudness);
    EXPECT_TRUE(failed.ends_with("<td>检测完毕</td>\r\n<td>" + red + "-23.0</font></td>\r\n</tr>\r\n")) << failed;

    // A failed format check shows zeros, yet its row is red as on the history page: it failed.
    const std::string invalid = HistoryRowHtml(Result("c.mxf", kFormatInvalid, 5), 1);
    EXPECT_NE(invalid.find("<td>" + red + "c.mxf</font></td>"), std::string::npos) << invalid;
    EXPECT_NE(invalid.find("images/fmt3.bmp"), std::string::npos);
}

TEST_F(HistoryExport, FailedChecksInTheirColourWithTheirState)
{
    struct Case {
        const char* what;
        int32_t nState;
        int32_t tmEnd;
        const char* colour;
        const char* state;
        const char* stillFrames;
    };
    const Case cases[] = {
        {"stopped", kSubTaskInterrupted, 1700000010, "#FF8000", "检测中断", "2"},
        {"never finished", kSubTaskChecking, 0, "#FF8000", "检测中断", "2"},
        {"could not open", kSubTaskOpenFailed, 1700000010, "#E000E0", "无法打开", "-"},
        {"could not store", kSubTaskStoreFailed, 1700000010, "#E000E0", "无法保存", "2"},
    };
    for (const Case& c : cases) {
        ResultInfo_t r = Result("a.mxf", kFormatNotChecked, c.nState == kSubTaskOpenFailed ? 0 : 2);
        r.nState = c.nState;
        r.tmEnd = c.tmEnd;
        const std::string html = HistoryRowHtml(r, 0);
        const std::string font = "<font color=\"" + std::string(c.colour) + "\">";
        EXPECT_EQ(html.find("#FF0000"), std::string::npos) << c.what << ": the failure colour comes first";
        EXPECT_NE(html.find("<td>" + font + "a.mxf</font></td>"), std::string::npos) << c.what << html;
        EXPECT_NE(html.find("<td>" + font + c.stillFrames + "</font></td>"), std::string::npos) << c.what << html;
        EXPECT_TRUE(html.ends_with("<td>" + font + c.state + "</font></td>\r\n<td>" + font + "-</font></td>\r\n</tr>\r\n"))
            << c.what << html;
    }
}

TEST_F(HistoryExport, EmptyListLeavesOnlyTheImagesFolder)
{
    ScratchFolder folder;
    std::FILE* old = std::fopen((folder / "index.html").c_str(), "w");
    ASSERT_NE(old, nullptr);
    std::fclose(old);
    const ReportOutcome outcome = WriteHistoryExport(folder.Path(), {});
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(FileNames(folder.Path()), std::set<std::string>{"images"});
    EXPECT_EQ(FileNames(folder / "images"), (std::set<std::string>{"fmt1.bmp", "fmt2.bmp", "fmt3.bmp"}));
    EXPECT_EQ(ReadBytes(folder / "images/fmt2.bmp").size(), 54u + 40 * 40 * 3);
}

TEST_F(HistoryExport, PageAndFacePictures)
{
    std::vector<uint8_t> face(40 * 40 * 3, 0);
    for (int x = 0; x < 40; ++x)
        face[(39 * 40 + x) * 3 + 2] = 255;  // bottom row red
    ResultInfo_t withFace = Result("新闻.mxf", kFormatValid, 1);
    withFace.pFaceImage = face.data();
    withFace.nFaceImageSize = static_cast<int32_t>(face.size());
    const std::vector<ResultInfo_t> results = {withFace, Result("b.mxf", kFormatInvalid, 0)};

    ScratchFolder folder;
    const ReportOutcome outcome = WriteHistoryExport(folder.Path(), results);
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(ReadBytes(folder / "index.html"),
              Utf8ToGbk(HistoryHeader() + HistoryRowHtml(results[0], 0) + HistoryRowHtml(results[1], 1) +
                        kHistoryFooter));
    EXPECT_NE(ReadBytes(folder / "index.html").find("\xd0\xc2\xce\xc5.mxf"), std::string::npos);
    const std::string facePicture = ReadBytes(folder / "images/0.bmp");
    ASSERT_EQ(facePicture.size(), 54u + 4800);
    EXPECT_EQ(facePicture.substr(54, 3), "\x00\x00\xff"s);  // bottom row first
    EXPECT_EQ(facePicture.substr(54 + 39 * 120, 3), "\x00\x00\x00"s);
    EXPECT_EQ(ReadBytes(folder / "images/1.bmp").size(), 54u + 4800);  // the default picture
}

TEST_F(HistoryExport, FullDiskRemovesThePage)
{
    ScratchFolder folder;
    const std::vector<ResultInfo_t> results(30, Result("a.mxf", kFormatValid, 0));
    ReportOutcome outcome;
    {
        // Room for the pictures and the first rows only.
        test::DiskFullAfter full(13000);
        outcome = WriteHistoryExport(folder.Path(), results);
    }
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.error.find("index.html"), std::string::npos) << outcome.error;
    EXPECT_FALSE(std::filesystem::exists(folder / "index.html"));
    EXPECT_TRUE(std::filesystem::exists(folder / "images/29.bmp"));
}

}  // namespace
}  // namespace quarvik
