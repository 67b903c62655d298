#include "FaultKinds.h"
#include "OpenDbTest.h"
#include "SqliteDb.h"
#include "TaskQueries.h"
#include "TextField.h"

#include <sqlite3.h>

#include <cstring>

namespace quarvik {
namespace {

class TaskDbTest : public OpenDbTest<&CSqliteDb::OpenTaskDb> {
protected:
    int NewResult(const char* name = "clip.mxf", int tmBegin = 1000)
    {
        ResultInfo_t r{};
        r.nTaskID = 4;
        r.nSubTaskID = 9;
        CopyField(r.szName, name);
        CopyField(r.szFilename, std::string("/in/") + name);
        CopyField(r.szNewFilename, std::string("/cache/") + name);
        r.llFileSize = 5LL << 32;
        r.nState = kSubTaskChecking;
        r.tmBegin = tmBegin;
        r.fSpeed = 2.5;
        CopyField(r.szFEDesc, "desc");
        int id = 0;
        EXPECT_TRUE(db_.AddResult(id, r));
        return id;
    }
};

SubTaskInfo_t MakeSubTask(int taskId, const char* path, int64_t size, int state)
{
    SubTaskInfo_t s{};
    s.nTaskID = taskId;
    CopyField(s.szFilename, path);
    const char* slash = std::strrchr(path, '/');
    CopyField(s.szName, slash ? slash + 1 : path);
    CopyField(s.szNewFilename, path);
    s.llFileSize = size;
    s.nState = state;
    s.nType = kTargetFolder;
    return s;
}

TEST_F(TaskDbTest, SubTasksRoundTripWithQuotesChineseAndFacePicture)
{
    std::vector<uint8_t> face(kFaceImageSize);
    for (size_t i = 0; i < face.size(); ++i)
        face[i] = static_cast<uint8_t>(i * 7);
    SubTaskInfo_t s = MakeSubTask(3, "/素材/it's 新闻.mxf", 12345678901LL, kSubTaskWaitCheck);
    s.nFacePicState = 1;
    s.pFaceImage = face.data();
    s.nFaceImageSize = kFaceImageSize;
    CopyField(s.szSmgIP, "smg");
    int id = 0;
    ASSERT_TRUE(db_.AddSubTask(id, s));
    int done = 0;
    ASSERT_TRUE(db_.AddSubTask(done, MakeSubTask(3, "/x/done.mxf", 1, kSubTaskDone)));
    ASSERT_TRUE(db_.AddSubTask(done, MakeSubTask(-1, "/x/manual.mxf", 1, kSubTaskInfoError)));

    std::vector<SubTaskRow> rows = LoadUnfinishedSubTasks(db_, 3);
    ASSERT_EQ(rows.size(), 1u);
    const SubTaskInfo_t& r = rows[0].info;
    EXPECT_EQ(r.nID, id);
    EXPECT_EQ(r.nTaskID, 3);
    EXPECT_STREQ(r.szName, "it's 新闻.mxf");
    EXPECT_STREQ(r.szFilename, "/素材/it's 新闻.mxf");
    EXPECT_EQ(r.llFileSize, 12345678901LL);
    EXPECT_EQ(r.nFacePicState, 1);
    EXPECT_EQ(r.nState, kSubTaskWaitCheck);
    EXPECT_EQ(r.nType, kTargetFolder);
    EXPECT_STREQ(r.szSmgIP, "smg");
    EXPECT_EQ(r.nFaceImageSize, kFaceImageSize);
    EXPECT_EQ(r.pFaceImage, nullptr);
    EXPECT_EQ(rows[0].faceImage, face);

    std::vector<uint8_t> fetched;
    ASSERT_TRUE(LoadSubTaskFaceImage(db_, id, fetched));
    EXPECT_EQ(fetched, face);

    std::vector<SubTaskRow> manual = LoadUnfinishedSubTasks(db_, -1);
    ASSERT_EQ(manual.size(), 1u);
    EXPECT_STREQ(manual[0].info.szName, "manual.mxf");

    ASSERT_TRUE(db_.SetSubTaskState(id, kSubTaskDone));
    EXPECT_TRUE(LoadUnfinishedSubTasks(db_, 3).empty());
    ASSERT_TRUE(db_.DeleteSubTask(id));
    EXPECT_EQ(Count("select count(*) from SubTasks"), 2);
}

TEST_F(TaskDbTest, FindPendingSubTaskMatchesPathOrNameWithSizeAndStateZero)
{
    int id = 0;
    ASSERT_TRUE(db_.AddSubTask(id, MakeSubTask(-1, "/a/it's.mxf", 100, 0)));
    ASSERT_TRUE(db_.AddSubTask(id, MakeSubTask(-1, "/a/busy.mxf", 100, kSubTaskWaitCheck)));
    struct Case {
        const char* path;
        int64_t size;
        bool found;
    } cases[] = {
        {"/a/it's.mxf", 100, true},      // full path
        {"/other/it's.mxf", 100, true},  // bare file name
        {"/a/it's.mxf", 101, false},     // other size
        {"/a/busy.mxf", 100, false},     // state not 0
        {"/a/none.mxf", 100, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(db_.FindPendingSubTask(c.path, c.size), c.found) << c.path << " " << c.size;
}

// Each kind's event must raise its own counter; a kind without a column raises none.
TEST_F(TaskDbTest, AddFaultSetsTheCounterColumnOfItsKind)
{
    struct Case {
        int fault;
        const char* column;
    } cases[] = {
        {kFaultColourBars, "nCBCount"}, {kFaultColourField, "nCFCount"}, {kFaultStillFrame, "nSFCount"},
        {kFaultSilenceLeft, "nNA1Count"}, {kFaultTooHighRight, "nAH2Count"}, {kFaultVideoLost, "nNVCount"},
        {7, nullptr},
    };
    std::vector<uint8_t> snapshot(160 * 120 * 3, 0x5a);
    for (const Case& c : cases) {
        int result = NewResult();
        FaultInfo_t f{};
        f.nResultID = result;
        f.nFault = c.fault;
        f.nValue = 77;
        f.tmBegin = 25;
        f.tmEnd = 50;
        f.nBitCount = 24;
        f.nImageWidth = 160;
        f.nImageHeight = 120;
        f.pImage = snapshot.data();
        ASSERT_TRUE(db_.AddFault(f, 4));
        std::vector<FaultRow> faults = LoadFaults(db_, result);
        ASSERT_EQ(faults.size(), 1u);
        EXPECT_EQ(faults[0].info.nFault, c.fault);
        EXPECT_EQ(faults[0].info.nValue, 77);
        EXPECT_EQ(faults[0].info.tmEnd, 50);
        EXPECT_EQ(faults[0].image, snapshot);

        std::vector<ResultRow> results = LoadResultsBetween(db_, 1000, 1000, false);
        const ResultInfo_t& r = results.back().info;
        int total = r.nNVCount + r.nSFCount + r.nBBCount + r.nCFCount + r.nCBCount + r.nMSCCount + r.nNA1Count +
                    r.nNA2Count + r.nNA3Count + r.nNA4Count + r.nAL1Count + r.nAL2Count + r.nAL3Count + r.nAL4Count +
                    r.nAH1Count + r.nAH2Count + r.nAH3Count + r.nAH4Count;
        if (c.column) {
            EXPECT_EQ(Count(std::string("select ") + c.column + " from Results where nID=" + std::to_string(result)), 4)
                << c.column;
            EXPECT_EQ(total, 4) << c.column;
        } else {
            EXPECT_EQ(total, 0) << c.fault;
        }
    }
}

// The counter of each kind in the record is the column the fault vocabulary names.
TEST_F(TaskDbTest, ResultCounterOfAKindIsItsNamedColumn)
{
    const int id = NewResult();
    ResultInfo_t counters{};
    for (int32_t kind = 0; kind < 32; ++kind) {
        if (int32_t* counter = ResultCounter(counters, kind))
            *counter = 100 + kind;
        else
            EXPECT_EQ(FaultCounterColumn(kind), nullptr) << kind;
    }
    ASSERT_TRUE(db_.UpdateResultEnd(id, 2100, 1.0, 10, counters));
    for (int32_t kind = 0; kind < 32; ++kind) {
        if (const char* column = FaultCounterColumn(kind)) {
            EXPECT_EQ(Count(std::string("select ") + column + " from Results where nID=" + std::to_string(id)), 100 + kind)
                << column;
            EXPECT_EQ(ResultCount(counters, kind), 100 + kind);
        }
    }
}

TEST_F(TaskDbTest, FaultWithoutSnapshotStoresNullImage)
{
    int result = NewResult();
    FaultInfo_t f{};
    f.nResultID = result;
    f.nFault = kFaultSilenceLeft;
    ASSERT_TRUE(db_.AddFault(f, 1));
    EXPECT_EQ(Count("select count(*) from Faults where blobFaultImage is null"), 1);
    std::vector<FaultSpan> spans = LoadFaultSpans(db_, result);
    ASSERT_EQ(spans.size(), 1u);
}

TEST_F(TaskDbTest, ResultFieldsRoundTripAndEndUpdateWritesCounters)
{
    int id = NewResult("it's 彩条.mxf", 2000);
    ASSERT_TRUE(db_.SetResultFmtError(id, kFormatInvalid));
    ResultInfo_t counters{};
    counters.nNVCount = 1;
    counters.nMSCCount = 6;
    counters.nAH4Count = 18;
    ASSERT_TRUE(db_.UpdateResultEnd(id, 2100, 3.25, 2500, counters));

    std::vector<ResultRow> rows = LoadResultsByName(db_, "it's");
    ASSERT_EQ(rows.size(), 1u);
    const ResultInfo_t& r = rows[0].info;
    EXPECT_EQ(r.nTaskID, 4);
    EXPECT_EQ(r.nSubTaskID, 9);
    EXPECT_STREQ(r.szName, "it's 彩条.mxf");
    EXPECT_STREQ(r.szNewFilename, "/cache/it's 彩条.mxf");
    EXPECT_EQ(r.llFileSize, 5LL << 32);
    EXPECT_EQ(r.nState, kSubTaskChecking);
    EXPECT_EQ(r.tmBegin, 2000);
    EXPECT_EQ(r.tmEnd, 2100);
    EXPECT_DOUBLE_EQ(r.fSpeed, 3.25);
    EXPECT_EQ(r.nFrame, 2500);
    EXPECT_EQ(r.nNVCount, 1);
    EXPECT_EQ(r.nMSCCount, 6);
    EXPECT_EQ(r.nAH4Count, 18);
    EXPECT_EQ(r.nFmtError, kFormatInvalid);
    EXPECT_STREQ(r.szFEDesc, "");  // the verdict always clears the description
    EXPECT_TRUE(rows[0].faceImage.empty());
}

TEST_F(TaskDbTest, ResultQueriesFilterAndOrderByBeginTime)
{
    NewResult("a", 100);
    NewResult("b", 300);
    NewResult("c", 200);
    NewResult("d", 900);
    std::vector<ResultRow> day = LoadResultsBetween(db_, 100, 300, false);
    std::vector<ResultRow> history = LoadResultsBetween(db_, 100, 300, true);
    ASSERT_EQ(day.size(), 3u);
    ASSERT_EQ(history.size(), 3u);
    EXPECT_STREQ(history[0].info.szName, "b");
    EXPECT_STREQ(history[1].info.szName, "c");
    EXPECT_STREQ(history[2].info.szName, "a");
    EXPECT_TRUE(LoadResultsByName(db_, "x").empty());
}

TEST_F(TaskDbTest, DeletingAResultRemovesItsDetailsOnly)
{
    int id = 0;
    ASSERT_TRUE(db_.AddSubTask(id, MakeSubTask(1, "/a/b.mxf", 1, kSubTaskChecking)));
    int doomed = NewResult();
    int kept = NewResult();
    for (int result : {doomed, kept}) {
        FaultInfo_t f{};
        f.nResultID = result;
        f.nFault = kFaultBlack;
        ASSERT_TRUE(db_.AddFault(f, 1));
        ASSERT_TRUE(db_.AddSyntaxErr(result, "Video", "Width", "720", "", "1920"));
        ASSERT_TRUE(db_.RunInTransaction([&] {
            return db_.AddMediaInfo(result, 1, "Video #1", "") && db_.AddMediaInfo(result, 1, "Format", "it's AVC");
        }));
    }
    std::vector<MediaInfoRow> info = LoadMediaInfo(db_, kept);
    ASSERT_EQ(info.size(), 2u);
    EXPECT_EQ(info[0].szFeature, "Video #1");
    EXPECT_EQ(info[1].szValue, "it's AVC");
    std::vector<SyntaxErrRow> errs = LoadSyntaxErrs(db_, kept);
    ASSERT_EQ(errs.size(), 1u);
    EXPECT_EQ(errs[0].szType, "Video");
    EXPECT_EQ(errs[0].szVaildValue1, "720");
    EXPECT_EQ(errs[0].szVaildValue2, "");
    EXPECT_EQ(errs[0].szRealValue, "1920");

    ASSERT_TRUE(db_.DeleteResult(doomed));
    for (const char* table : {"Faults", "MediaInfo", "SyntaxErr"}) {
        EXPECT_EQ(Count(std::string("select count(*) from ") + table + " where nResultID=" + std::to_string(doomed)), 0)
            << table;
        EXPECT_GT(Count(std::string("select count(*) from ") + table + " where nResultID=" + std::to_string(kept)), 0)
            << table;
    }
    EXPECT_EQ(Count("select count(*) from SubTasks"), 1);

    ASSERT_TRUE(DeleteResultFromHistory(db_, kept));
    EXPECT_EQ(Count("select count(*) from Faults"), 0);
}

}  // namespace
}  // namespace quarvik
