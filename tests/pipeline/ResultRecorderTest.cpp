#include "FaultKinds.h"
#include "ResultRecorder.h"
#include "Settings.h"
#include "SqliteDb.h"
#include "TaskQueries.h"
#include "TempHome.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include <cstring>
#include <ctime>

namespace quarvik {
namespace {

struct RecorderLog : IResultListObserver {
    void OnRowAppended(int row) override { appended.push_back(row); }
    void OnRowChanged(int) override {}
    void OnReloaded() override {}
    void OnReport(int code) override { reports.push_back(code); }
    void OnFaultRecorded(int, const ResultNotify_t& n) override { faults.push_back(n.nFault); }
    void OnStoreFailed(int row) override { storeFailures.push_back(row); }
    std::vector<int> appended, reports, faults, storeFailures;
};

struct FixedClipName : IClipNameLookup {
    bool LookupClipName(const std::string& baseName, std::string& clipName) override
    {
        asked = baseName;
        clipName = "晚间新闻";
        return true;
    }
    std::string asked;
};

class ResultRecorderTest : public TempHomeTest {
protected:
    SubTaskInfo_t SubTask(int32_t taskId, int32_t id, int32_t type = 2)
    {
        SubTaskInfo_t s{};
        s.nTaskID = taskId;
        s.nID = id;
        s.nType = type;
        std::strcpy(s.szName, "it's.mxf");
        std::strcpy(s.szFilename, "/media/it's.mxf");
        std::strcpy(s.szNewFilename, "/media/it's.mxf");
        s.llFileSize = 5;
        return s;
    }
    static ResultNotify_t Notice(int32_t taskId, int32_t subTaskId)
    {
        ResultNotify_t n;
        std::memset(&n, 0, sizeof(n));
        n.nTaskID = taskId;
        n.nSubTaskID = subTaskId;
        return n;
    }
    static ResultNotify_t Fault(int32_t taskId, int32_t subTaskId, int32_t kind, const cv::Mat* image = nullptr)
    {
        ResultNotify_t n = Notice(taskId, subTaskId);
        n.nFault = kind;
        n.tmBegin = 10;
        n.tmEnd = 20;
        n.nValue = kind >= 16 ? -70 : 0;
        n.pImage = image;
        return n;
    }
    static ResultRow StoredResult(int nID)
    {
        CSqliteDb db;
        EXPECT_TRUE(db.OpenTaskDb());
        for (ResultRow& r : LoadResultsBetween(db, 0, 0x7fffffff, false)) {
            if (r.info.nID == nID)
                return r;
        }
        return {};
    }

    CResultRecorder m_recorder;
};

TEST_F(ResultRecorderTest, NewResultIsStoredWithItsMediaProperties)
{
    std::string mediaPath;
    int32_t mediaId = 0;
    m_recorder.SetStoreMediaInfo([&](const std::string& path, int32_t id, std::string&) {
        mediaPath = path;
        mediaId = id;
        return true;
    });
    RecorderLog log;
    m_recorder.AddObserver(&log);
    m_recorder.OnNewResult(SubTask(-1, 4));
    ASSERT_EQ(m_recorder.Count(), 1);
    const ResultRow_t& row = m_recorder.Row(0);
    EXPECT_GT(row.info.nID, 0);
    EXPECT_EQ(mediaId, row.info.nID);
    EXPECT_EQ(mediaPath, "/media/it's.mxf");
    EXPECT_STREQ(StoredResult(row.info.nID).info.szName, "it's.mxf");
    EXPECT_EQ(row.counts[0], -1) << "\"-\" until something is reported";
    EXPECT_EQ(log.appended, std::vector<int>{0});
}

TEST_F(ResultRecorderTest, ClipNameOnlyWhenThePlayoutLinkIsEnabled)
{
    FixedClipName lookup;
    m_recorder.SetClipNameLookup(&lookup);
    m_recorder.OnNewResult(SubTask(-1, 1));
    EXPECT_STREQ(m_recorder.Row(0).info.szName, "it's.mxf");
    EXPECT_TRUE(lookup.asked.empty());
    ASSERT_TRUE(WriteSetting(kEnConvert, 1));
    m_recorder.OnNewResult(SubTask(-1, 2));
    EXPECT_EQ(lookup.asked, "it's");
    EXPECT_STREQ(m_recorder.Row(1).info.szName, "晚间新闻");
}

TEST_F(ResultRecorderTest, FaultsCountPerKindAndColourTheRow)
{
    RecorderLog log;
    m_recorder.AddObserver(&log);
    m_recorder.OnNewResult(SubTask(3, 8));
    m_recorder.OnFormatNotice(Notice(3, 8));  // begins, no verdict: not passed on
    ResultNotify_t invalid = Notice(3, 8);
    invalid.nKind = kFormatInvalid;
    std::strcpy(invalid.szType, "Video");
    std::strcpy(invalid.szName, "Width");
    std::strcpy(invalid.szValue1, "1920");
    std::strcpy(invalid.szRealValue, "720");
    m_recorder.OnFormatNotice(invalid);
    EXPECT_EQ(m_recorder.Row(0).colour, RowColour::kDarkRed);
    EXPECT_EQ(m_recorder.Row(0).counts[3], 0);

    const cv::Mat snapshot(120, 160, CV_8UC3, cv::Scalar(1, 2, 3));
    m_recorder.OnFaultNotice(Fault(3, 8, kFaultColourBars, &snapshot));
    m_recorder.OnFaultNotice(Fault(3, 8, kFaultColourBars, &snapshot));
    m_recorder.OnFaultNotice(Fault(3, 8, kFaultColourField, &snapshot));
    m_recorder.OnFaultNotice(Fault(3, 8, kFaultSilenceRight));
    m_recorder.OnFaultNotice(Fault(3, 8, kFaultVideoLost));  // no column: ignored
    m_recorder.OnFaultNotice(Fault(3, 99, kFaultBlack));     // no such row: ignored
    const ResultRow_t& row = m_recorder.Row(0);
    EXPECT_EQ(row.colour, RowColour::kRed);
    EXPECT_EQ(row.counts[CountColumnOfKind(kFaultColourBars)], 2);
    EXPECT_EQ(row.counts[CountColumnOfKind(kFaultColourField)], 1);
    EXPECT_EQ(row.counts[CountColumnOfKind(kFaultSilenceRight)], 1);
    EXPECT_EQ(log.faults, (std::vector<int>{3, 3, 4, 19}));
    EXPECT_EQ(log.reports, (std::vector<int>{0, 1, 1, 1, 1, 1, 1}));

    ResultNotify_t finished = Notice(3, 8);
    finished.nFrame = 249;
    m_recorder.OnCheckFinished(finished);
    const ResultRow stored = StoredResult(row.info.nID);
    EXPECT_EQ(stored.info.nCBCount, 2);
    EXPECT_EQ(stored.info.nCFCount, 1);
    EXPECT_EQ(stored.info.nNA2Count, 1);
    EXPECT_EQ(stored.info.nNVCount, 0);
    EXPECT_EQ(stored.info.nFrame, 249);
    EXPECT_EQ(stored.info.nFmtError, kFormatInvalid);
    EXPECT_GT(stored.info.tmEnd, 0);

    CSqliteDb db;
    ASSERT_TRUE(db.OpenTaskDb());
    const std::vector<FaultRow> faults = LoadFaults(db, row.info.nID);
    ASSERT_EQ(faults.size(), 4u);
    EXPECT_EQ(faults[0].image.size(), 57600u);
    EXPECT_EQ(faults[0].image[2], 3);
    EXPECT_TRUE(faults[3].image.empty());
    EXPECT_EQ(faults[3].info.nValue, -70);
    const std::vector<SyntaxErrRow> deviations = LoadSyntaxErrs(db, row.info.nID);
    ASSERT_EQ(deviations.size(), 1u);
    EXPECT_EQ(deviations[0].szRealValue, "720");
}

// The state of a stored result tells a finished check from one that never finished, was
// stopped, or could not store what it found; a result never looks complete without it.
TEST_F(ResultRecorderTest, StoredStateTellsHowTheCheckEnded)
{
    const auto storedState = [](int nID) { return ResultStateOf(StoredResult(nID).info); };
    m_recorder.OnNewResult(SubTask(-1, 1));
    m_recorder.OnNewResult(SubTask(-1, 2));
    m_recorder.OnNewResult(SubTask(-1, 3));
    const int finished = m_recorder.Row(0).info.nID, stopped = m_recorder.Row(1).info.nID,
              formatOnly = m_recorder.Row(2).info.nID;
    EXPECT_EQ(storedState(finished), kResultChecking) << "until it ends: never finished, should it die";
    m_recorder.OnFaultNotice(Fault(-1, 1, kFaultBlack));
    m_recorder.OnCheckFinished(Notice(-1, 1));
    m_recorder.OnFaultNotice(Fault(-1, 2, kFaultBlack));
    m_recorder.OnCheckEnded(-1, 2, kResultStopped);
    m_recorder.OnCheckEnded(-1, 3, kResultComplete);
    EXPECT_EQ(storedState(finished), kResultComplete);
    EXPECT_EQ(storedState(stopped), kResultStopped);
    EXPECT_EQ(storedState(formatOnly), kResultComplete);
    EXPECT_EQ(ResultStateOf(m_recorder.Row(1).info), kResultStopped);

    ResultInfo_t before{};  // stored before results had a state of their own
    before.nState = kSubTaskChecking;
    before.tmEnd = 1700000000;
    EXPECT_EQ(ResultStateOf(before), kResultComplete);
}

// A write that fails for good is reported once, names the database and its reason, stops the
// writes of that result, and leaves it marked as not stored instead of complete.
TEST_F(ResultRecorderTest, WriteThatFailsMarksTheResultNotStored)
{
    RecorderLog log;
    m_recorder.AddObserver(&log);
    m_recorder.OnNewResult(SubTask(-1, 1));
    const int nID = m_recorder.Row(0).info.nID;
    m_recorder.OnFaultNotice(Fault(-1, 1, kFaultBlack));
    {
        CSqliteDb db;
        ASSERT_TRUE(db.OpenTaskDb());
        ASSERT_TRUE(db.Exec("alter table Faults rename to FaultsElsewhere"));
    }
    testing::internal::CaptureStderr();
    m_recorder.OnFaultNotice(Fault(-1, 1, kFaultStillFrame));
    m_recorder.OnFaultNotice(Fault(-1, 1, kFaultStillFrame));
    m_recorder.OnCheckFinished(Notice(-1, 1));
    testing::internal::GetCapturedStderr();
    const ResultRow_t& row = m_recorder.Row(0);
    EXPECT_EQ(log.storeFailures, std::vector<int>{0}) << "once";
    EXPECT_EQ(row.storeError, "could not store a fault event of /media/it's.mxf in " + HomeFile("task.db") +
                                  ": no such table: Faults");
    EXPECT_EQ(row.events.size(), 3u) << "what the check found is kept";
    EXPECT_EQ(ResultStateOf(row.info), kResultNotStored);
    const ResultRow stored = StoredResult(nID);
    EXPECT_EQ(ResultStateOf(stored.info), kResultNotStored);
    EXPECT_EQ(stored.info.tmEnd, 0) << "the end was not written after the failure";
}

// The end is stored only when the stored faults read back equal what the check reported.
TEST_F(ResultRecorderTest, EndIsStoredOnlyWhenTheStoredFaultsReadBackEqual)
{
    RecorderLog log;
    m_recorder.AddObserver(&log);
    m_recorder.OnNewResult(SubTask(-1, 1));
    const int nID = m_recorder.Row(0).info.nID;
    m_recorder.OnFaultNotice(Fault(-1, 1, kFaultBlack));
    m_recorder.OnFaultNotice(Fault(-1, 1, kFaultStillFrame));
    {
        CSqliteDb db;
        ASSERT_TRUE(db.OpenTaskDb());
        ASSERT_TRUE(db.Exec("delete from Faults where nFault=1"));
    }
    m_recorder.OnCheckFinished(Notice(-1, 1));
    EXPECT_EQ(log.storeFailures, std::vector<int>{0});
    EXPECT_NE(m_recorder.Row(0).storeError.find("holds 1 of 2 fault events"), std::string::npos)
        << m_recorder.Row(0).storeError;
    EXPECT_EQ(ResultStateOf(StoredResult(nID).info), kResultNotStored);
}

TEST_F(ResultRecorderTest, ReportsAddressTheLatestRowOfASubTask)
{
    m_recorder.OnNewResult(SubTask(-1, 5));
    m_recorder.OnNewResult(SubTask(-1, 5));
    m_recorder.OnFaultNotice(Fault(-1, 5, kFaultBlack));
    EXPECT_EQ(m_recorder.Row(0).colour, RowColour::kNormal);
    EXPECT_EQ(m_recorder.Row(1).colour, RowColour::kRed);
}

TEST_F(ResultRecorderTest, OpenFailureDeletesAFileResultButEndsAStream)
{
    m_recorder.OnNewResult(SubTask(-1, 1));
    const int fileResult = m_recorder.Row(0).info.nID;
    m_recorder.OnOpenFailed(Notice(-1, 1));
    EXPECT_EQ(StoredResult(fileResult).info.nID, 0) << "deleted";
    EXPECT_EQ(m_recorder.Count(), 1) << "the row stays until the next reload";

    CSqliteDb db;
    ASSERT_TRUE(db.OpenTaskDb());
    SubTaskInfo_t stream = SubTask(2, 0, kTargetUdp);
    stream.nState = kSubTaskChecking;
    int subTaskId = 0;
    ASSERT_TRUE(db.AddSubTask(subTaskId, stream));
    stream.nID = subTaskId;
    m_recorder.OnNewResult(stream);
    const int streamResult = m_recorder.Row(1).info.nID;
    m_recorder.OnOpenFailed(Notice(2, subTaskId));
    EXPECT_EQ(StoredResult(streamResult).info.nID, streamResult);
    EXPECT_TRUE(LoadUnfinishedSubTasks(db, 2).empty()) << "the stream's sub-task is finished";
}

TEST_F(ResultRecorderTest, ReloadListsTodayFromMidnightToTheLastSecond)
{
    std::time_t now = std::time(nullptr);
    std::tm day{};
    localtime_r(&now, &day);
    day.tm_hour = day.tm_min = day.tm_sec = 0;
    day.tm_isdst = -1;
    const std::time_t midnight = std::mktime(&day);
    day.tm_hour = 23;
    day.tm_min = 59;
    day.tm_sec = 59;
    day.tm_isdst = -1;
    const std::time_t last = std::mktime(&day);

    CSqliteDb db;
    ASSERT_TRUE(db.OpenTaskDb());
    for (std::time_t t : {midnight - 1, midnight, last, last + 1}) {
        ResultInfo_t r{};
        r.tmBegin = static_cast<int32_t>(t);
        std::strcpy(r.szName, "x");
        r.nBBCount = t == last ? 1 : 0;
        int id = 0;
        ASSERT_TRUE(db.AddResult(id, r));
    }
    m_recorder.ReloadDay(static_cast<int64_t>(now));
    ASSERT_EQ(m_recorder.Count(), 2);
    EXPECT_EQ(m_recorder.Row(0).info.tmBegin, midnight);
    EXPECT_EQ(m_recorder.Row(0).colour, RowColour::kNormal);
    EXPECT_EQ(m_recorder.Row(1).colour, RowColour::kRed);
    EXPECT_EQ(m_recorder.Row(1).counts[CountColumnOfKind(kFaultBlack)], 1);
}

}  // namespace
}  // namespace quarvik
