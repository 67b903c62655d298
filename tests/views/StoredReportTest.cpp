#include "StoredReport.h"

#include "StoredResults.h"
#include "TextField.h"
#include "ViewsTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quarvik {
namespace {

class StoredReport : public ::testing::Test {
protected:
    void SetUp() override
    {
        ids_ = test::StoreResults(home_.Path());
        ASSERT_TRUE(db_.OpenTaskDb());
    }

    test::ScratchFolder home_;
    test::StoredIds ids_;
    CSqliteDb db_;
};

TEST_F(StoredReport, LoadsTheResultAmongOthersOfTheSameSecond)
{
    ResultRow row;
    ASSERT_TRUE(LoadStoredResult(db_, ids_.invalid, row));
    EXPECT_STREQ(row.info.szName, "bad/name.ts");
    ASSERT_TRUE(LoadStoredResult(db_, ids_.faulty, row));
    EXPECT_STREQ(row.info.szName, "新闻<1>.mxf");
    EXPECT_FALSE(LoadStoredResult(db_, 999, row));
}

TEST_F(StoredReport, RecordsWithSnapshotsOnlyWhereStored)
{
    StoredResultReport stored;
    ASSERT_TRUE(LoadResultReport(db_, ids_.faulty, stored));
    EXPECT_EQ(stored.report.media.size(), 4u);
    EXPECT_TRUE(stored.report.deviations.empty());
    ASSERT_EQ(stored.report.faults.size(), 2u);
    const FaultInfo_t& picture = stored.report.faults[0];
    EXPECT_EQ(picture.nFault, 2);
    EXPECT_EQ(picture.nImageWidth, 160);
    EXPECT_EQ(picture.nBitCount, 24);
    ASSERT_NE(picture.pImage, nullptr);
    EXPECT_EQ(picture.pImage[57599], 90);
    const FaultInfo_t& sound = stored.report.faults[1];
    EXPECT_EQ(sound.nValue, -60);
    EXPECT_EQ(sound.pImage, nullptr);

    StoredResultReport moved = std::move(stored);
    EXPECT_EQ(moved.report.faults[0].pImage, moved.faultRows[0].image.data());
}

TEST_F(StoredReport, FolderNames)
{
    const struct {
        const char* name;
        const char* folder;
    } cases[] = {{"a.mxf", "a.mxf"}, {"bad/name.ts", "bad_name.ts"}, {"", "result-7"}, {"..", "result-7"},
                 {".", "result-7"}, {"节目 \"1\".mxf", "节目 \"1\".mxf"}};
    for (const auto& c : cases) {
        ResultInfo_t r{};
        r.nID = 7;
        CopyField(r.szName, c.name);
        EXPECT_EQ(ReportFolderName(r), c.folder) << c.name;
    }
}

TEST_F(StoredReport, WritesIntoAFolderNamedAfterTheResult)
{
    test::ScratchFolder out;
    std::string folder;
    const ReportOutcome outcome = WriteStoredResultReport(db_, ids_.invalid, out / "new/parent", &folder);
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(folder, out / "new/parent/bad_name.ts");
    const std::string page = test::ReadBytes(folder + "/index.html");
    EXPECT_NE(page.find("<td>Video.Width</td>"), std::string::npos);

    EXPECT_FALSE(WriteStoredResultReport(db_, 999, out.Path()).ok);
}

}  // namespace
}  // namespace quarvik
