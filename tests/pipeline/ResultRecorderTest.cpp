#include "FaultKinds.h"
#include "ResultRecorder.h"
#include "Settings.h"
#include "SqliteDb.h"
#include "TaskQueries.h"
#include "TempHome.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include <algorithm>
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
    // The deviation Video.Width 1920 of a file 720 wide.
    static ResultNotify_t Deviation(int32_t taskId, int32_t subTaskId)
    {
        ResultNotify_t n = Notice(taskId, subTaskId);
        n.nKind = kFormatInvalid;
        std::strcpy(n.szType, "Video");
        std::strcpy(n.szName, "Width");
        std::strcpy(n.szValue1, "1920");
        std::strcpy(n.szRealValue, "720");
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
    m_recorder.OnFormatNotice(Deviation(3, 8));
    EXPECT_EQ(m_recorder.Row(0).colour, RowColour::kDarkRed);
    EXPECT_EQ(m_recorder.Row(0).counts[3], 0);

    const cv::Mat snapshot(120, 160, CV_8UC3, cv::Scalar(1, 2, 3));
    m_recorder.OnFaultNotice(Fault(3, 8, kFaultColourBars, &snapshot));
    m_recorder.OnFaultNotice(Fault(3, 8, kFaultColourBars, &snapshot));
    m_recorder.OnFaultNotice(Fault(3, 8, kFaultColourField, &snapshot));
    m_recorder.OnFaultNotice(Fault(3, 8, kFaultSilenceRight));
    m_recorder.OnFaultNotice(Fault(3, 8, kFaultVideoLost, &snapshot));
    m_recorder.OnFaultNotice(Fault(3, 99, kFaultBlack));     // no such row: ignored
    const ResultRow_t& row = m_recorder.Row(0);
    EXPECT_EQ(row.colour, RowColour::kRed);
    EXPECT_EQ(row.counts[CountColumnOfKind(kFaultColourBars)], 2);
    EXPECT_EQ(row.counts[CountColumnOfKind(kFaultColourField)], 1);
    EXPECT_EQ(row.counts[CountColumnOfKind(kFaultSilenceRight)], 1);
    EXPECT_EQ(row.counts[CountColumnOfKind(kFaultVideoLost)], 1);
    EXPECT_EQ(log.faults, (std::vector<int>{3, 3, 4, 19, 0}));
    EXPECT_EQ(log.reports, (std::vector<int>{0, 1, 1, 1, 1, 1, 1}));

    ResultNotify_t finished = Notice(3, 8);
    finished.nFrame = 249;
    m_recorder.OnCheckFinished(finished);
    const ResultRow stored = StoredResult(row.info.nID);
    EXPECT_EQ(stored.info.nCBCount, 2);
    EXPECT_EQ(stored.info.nCFCount, 1);
    EXPECT_EQ(stored.info.nNA2Count, 1);
    EXPECT_EQ(stored.info.nNVCount, 1);
    EXPECT_EQ(stored.info.nFrame, 249);
    EXPECT_EQ(stored.info.nFmtError, kFormatInvalid);
    EXPECT_GT(stored.info.tmEnd, 0);

    CSqliteDb db;
    ASSERT_TRUE(db.OpenTaskDb());
    const std::vector<FaultRow> faults = LoadFaults(db, row.info.nID);
    ASSERT_EQ(faults.size(), 5u);
    EXPECT_EQ(faults[0].image.size(), 57600u);
    EXPECT_EQ(faults[0].image[2], 3);
    EXPECT_TRUE(faults[3].image.empty());
    EXPECT_EQ(faults[3].info.nValue, -70);
    EXPECT_EQ(faults[4].info.nFault, kFaultVideoLost);
    EXPECT_EQ(faults[4].image.size(), 57600u);
    const std::vector<SyntaxErrRow> deviations = LoadSyntaxErrs(db, row.info.nID);
    ASSERT_EQ(deviations.size(), 1u);
    EXPECT_EQ(deviations[0].szRealValue, "720");
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
    EXPECT_EQ(row.State(), kSubTaskStoreFailed);
    const ResultRow stored = StoredResult(nID);
    EXPECT_EQ(ResultStateOf(stored.info, false), kSubTaskStoreFailed);
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
    EXPECT_EQ(ResultStateOf(StoredResult(nID).info, false), kSubTaskStoreFailed);
}

TEST_F(ResultRecorderTest, ReportsAddressTheLatestRowOfASubTask)
{
    m_recorder.OnNewResult(SubTask(-1, 5));
    m_recorder.OnNewResult(SubTask(-1, 5));
    m_recorder.OnFaultNotice(Fault(-1, 5, kFaultBlack));
    EXPECT_EQ(m_recorder.Row(0).colour, RowColour::kNormal);
    EXPECT_EQ(m_recorder.Row(1).colour, RowColour::kRed);
}

TEST_F(ResultRecorderTest, ChecksThatFailStayStoredAndMarkedAsFailures)
{
    // A file and a stream that cannot be opened, and a check stopped after one fault: each
    // result stays, with its end, and says how it ended, here and after a reload.
    m_recorder.OnNewResult(SubTask(-1, 1));
    m_recorder.OnFormatNotice(Notice(-1, 1));
    m_recorder.OnNewResult(SubTask(2, 7, kTargetUdp));
    m_recorder.OnNewResult(SubTask(-1, 3));
    m_recorder.OnFormatNotice(Notice(-1, 3));
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(m_recorder.Row(row).State(), kSubTaskChecking) << row;
    m_recorder.OnOpenFailed(Notice(-1, 1));
    m_recorder.OnOpenFailed(Notice(2, 7));
    m_recorder.OnFaultNotice(Fault(-1, 3, kFaultBlack));
    ResultNotify_t stopped = Notice(-1, 3);
    stopped.nFrame = 99;
    m_recorder.OnCheckStopped(stopped);

    struct Expect { int32_t state; int32_t blackCount; int32_t frames; };
    const Expect expected[] = {{kSubTaskOpenFailed, -1, 0}, {kSubTaskOpenFailed, -1, 0}, {kSubTaskInterrupted, 1, 99}};
    const auto check = [&](const char* when) {
        ASSERT_EQ(m_recorder.Count(), 3) << when;
        for (int row = 0; row < 3; ++row) {
            const ResultRow_t& r = m_recorder.Row(row);
            const ResultRow stored = StoredResult(r.info.nID);
            EXPECT_EQ(r.State(), expected[row].state) << when << " row " << row;
            EXPECT_EQ(r.counts[CountColumnOfKind(kFaultBlack)], expected[row].blackCount) << when << " row " << row;
            EXPECT_EQ(stored.info.nID, r.info.nID) << "kept, not deleted: row " << row;
            EXPECT_EQ(stored.info.nState, expected[row].state) << when << " row " << row;
            EXPECT_GT(stored.info.tmEnd, 0) << when << " row " << row;
            EXPECT_EQ(stored.info.nFrame, expected[row].frames) << when << " row " << row;
            EXPECT_EQ(stored.info.nBBCount, std::max(expected[row].blackCount, 0)) << when << " row " << row;
        }
    };
    check("as reported");
    m_recorder.Reload();
    check("after a reload");
}

TEST_F(ResultRecorderTest, AResultWithoutAnEndIsRunningOnlyWhileItsCheckRunsHere)
{
    // A check of this list, and a result another run left without an end (killed midway).
    CSqliteDb db;
    ASSERT_TRUE(db.OpenTaskDb());
    ResultInfo_t orphan{};
    orphan.tmBegin = static_cast<int32_t>(std::time(nullptr));
    orphan.nState = kSubTaskChecking;
    int orphanId = 0;
    ASSERT_TRUE(db.AddResult(orphanId, orphan));
    SubTaskInfo_t checking = SubTask(-1, 2);
    checking.nState = kSubTaskChecking;
    m_recorder.OnNewResult(checking);
    m_recorder.Reload();
    ASSERT_EQ(m_recorder.Count(), 2);
    EXPECT_EQ(m_recorder.Row(0).info.nID, orphanId);
    EXPECT_EQ(m_recorder.Row(0).State(), kSubTaskInterrupted);
    EXPECT_EQ(m_recorder.Row(1).State(), kSubTaskChecking) << "still running after the reload";
    m_recorder.OnCheckFinished(Notice(-1, 2));
    EXPECT_EQ(m_recorder.Row(1).State(), kSubTaskDone);
    EXPECT_EQ(StoredResult(m_recorder.Row(1).info.nID).info.nState, kSubTaskChecking)
        << "a clean end leaves the state as it was";
}

// Results deleted elsewhere leave the list; a check still running here keeps its row.
TEST_F(ResultRecorderTest, ForgottenResultsLeaveTheListUnlessTheirCheckRuns)
{
    m_recorder.OnNewResult(SubTask(-1, 1));
    m_recorder.OnNewResult(SubTask(-1, 2));
    m_recorder.OnNewResult(SubTask(-1, 3));
    m_recorder.OnCheckFinished(Notice(-1, 1));
    m_recorder.OnCheckFinished(Notice(-1, 3));
    const int32_t first = m_recorder.Row(0).info.nID, running = m_recorder.Row(1).info.nID;
    const int32_t third = m_recorder.Row(2).info.nID;
    m_recorder.Forget({first, running, 9999});
    ASSERT_EQ(m_recorder.Count(), 2);
    EXPECT_EQ(m_recorder.Row(0).info.nID, running);
    EXPECT_EQ(m_recorder.Row(1).info.nID, third);
    EXPECT_EQ(m_recorder.FindRow(-1, 2), 0);
}

// A reload (the list's refresh) while files are checked must not change how their checks end:
// the events and deviations reported before it are still compared with what is stored.
TEST_F(ResultRecorderTest, AReloadDuringChecksDoesNotChangeHowTheyEnd)
{
    m_recorder.OnNewResult(SubTask(-1, 1));
    m_recorder.OnFormatNotice(Notice(-1, 1));
    m_recorder.OnFaultNotice(Fault(-1, 1, kFaultBlack));
    m_recorder.OnNewResult(SubTask(3, 2));
    m_recorder.OnFormatNotice(Deviation(3, 2));
    m_recorder.Reload();
    ASSERT_EQ(m_recorder.Count(), 2);
    EXPECT_EQ(m_recorder.Row(0).counts[CountColumnOfKind(kFaultBlack)], 1);
    m_recorder.OnFaultNotice(Fault(-1, 1, kFaultStillFrame));
    m_recorder.Reload();
    for (int32_t task : {-1, 3}) {
        ResultNotify_t end = Notice(task, task == -1 ? 1 : 2);
        end.nFrame = 7499;
        m_recorder.OnCheckFinished(end);
    }
    for (int row = 0; row < 2; ++row) {
        const ResultRow_t& r = m_recorder.Row(row);
        EXPECT_TRUE(r.storeError.empty()) << r.storeError;
        EXPECT_EQ(r.State(), kSubTaskDone) << row;
        const ResultRow stored = StoredResult(r.info.nID);
        EXPECT_EQ(ResultStateOf(stored.info, false), kSubTaskDone) << row;
        EXPECT_GT(stored.info.tmEnd, 0) << row;
        EXPECT_EQ(stored.info.nFrame, 7499) << row;
    }
    EXPECT_EQ(StoredResult(m_recorder.Row(0).info.nID).info.nSFCount, 1);
    EXPECT_EQ(m_recorder.Row(1).info.nFmtError, kFormatInvalid);
}

TEST_F(ResultRecorderTest, WarningsAreCountedButRingNoAlarmAndLeaveTheRowClean)
{
    RecorderLog log;
    m_recorder.AddObserver(&log);
    m_recorder.OnNewResult(SubTask(3, 8));
    m_recorder.OnFormatNotice(Notice(3, 8));
    const cv::Mat snapshot(120, 160, CV_8UC3, cv::Scalar(1, 2, 3));
    m_recorder.OnFaultNotice(Fault(3, 8, kFaultFlashWarning, &snapshot));
    m_recorder.OnCheckFinished(Notice(3, 8));
    const int column = CountColumnOfKind(kFaultFlashWarning);
    EXPECT_EQ(m_recorder.Row(0).colour, RowColour::kNormal);
    EXPECT_EQ(m_recorder.Row(0).counts[column], 1);
    EXPECT_EQ(log.faults, std::vector<int>{kFaultFlashWarning});
    EXPECT_EQ(log.reports, std::vector<int>{2}) << "only the end of the check is passed on";
    EXPECT_EQ(StoredResult(m_recorder.Row(0).info.nID).info.nKindCounts[kFaultFlashWarning], 1);

    m_recorder.Reload();
    ASSERT_EQ(m_recorder.Count(), 1);
    EXPECT_EQ(m_recorder.Row(0).colour, RowColour::kNormal);
    EXPECT_EQ(m_recorder.Row(0).counts[column], 1);
    // A fault beside the warning fails the result as always.
    m_recorder.OnNewResult(SubTask(3, 9));
    m_recorder.OnFaultNotice(Fault(3, 9, kFaultFlashWarning, &snapshot));
    m_recorder.OnFaultNotice(Fault(3, 9, kFaultFlash, &snapshot));
    EXPECT_EQ(m_recorder.Row(1).colour, RowColour::kRed);
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
        r.nNVCount = t == midnight ? 1 : 0;
        int id = 0;
        ASSERT_TRUE(db.AddResult(id, r));
    }
    m_recorder.ReloadDay(static_cast<int64_t>(now));
    ASSERT_EQ(m_recorder.Count(), 2);
    EXPECT_EQ(m_recorder.Row(0).info.tmBegin, midnight);
    EXPECT_EQ(m_recorder.Row(0).colour, RowColour::kRed) << "video lost is a fault like any other";
    EXPECT_EQ(m_recorder.Row(0).counts[CountColumnOfKind(kFaultVideoLost)], 1);
    EXPECT_EQ(m_recorder.Row(1).colour, RowColour::kRed);
    EXPECT_EQ(m_recorder.Row(1).counts[CountColumnOfKind(kFaultBlack)], 1);
}

}  // namespace
}  // namespace quarvik
