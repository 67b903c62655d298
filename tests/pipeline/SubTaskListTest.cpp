#include "CacheFolder.h"
#include "Settings.h"
#include "SqliteDb.h"
#include "SubTaskList.h"
#include "TaskQueries.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <vector>

namespace quarvik {
namespace {

// Records what the list tells its observers.
struct ListLog : ISubTaskListObserver {
    void OnRowAdded(int row) override { added.push_back(row); }
    void OnRowChanged(int row) override { changed.push_back(row); }
    void OnRowsReloaded() override { ++reloads; }
    void OnEntersChecking(const SubTaskInfo_t& s) override { entering.push_back(s.nID); }
    void OnNotice(const std::string& text) override { notices.push_back(text); }
    std::vector<int> added, changed, entering;
    std::vector<std::string> notices;
    int reloads = 0;
};

// The thumbnail report for a sub-task taken for its thumbnail.
ThumbnailReport_t Thumbnail(const SubTaskInfo_t& taken, const std::vector<uint8_t>* pixels)
{
    ThumbnailReport_t r;
    std::memset(&r, 0, sizeof(r));
    r.nSerial = taken.nSerial;
    if (pixels) {
        r.pixels = pixels->data();
        r.nLength = static_cast<int32_t>(pixels->size());
    }
    return r;
}

class SubTaskListTest : public TempHomeTest {
protected:
    // Adds a file and takes it through a successful thumbnail: it is then stored, state 7.
    int AddReady(CSubTaskList& list, const std::string& path, int32_t type = 2)
    {
        const int row = list.Add(path, 1234, type);
        SubTaskInfo_t taken;
        EXPECT_TRUE(list.TakeNextNew(taken));
        const std::vector<uint8_t> face(4800, 7);
        list.OnThumbnail(kThumbnailTaken, Thumbnail(taken, &face));
        return row;
    }
    static int32_t StoredState(int nID)
    {
        CSqliteDb db;
        EXPECT_TRUE(db.OpenTaskDb());
        EXPECT_TRUE(db.Query("select nState from SubTasks where nID=" + std::to_string(nID)));
        int32_t state = -1;
        if (db.Step() == 100)
            db.GetInt(0, state);
        db.EndQuery();
        return state;
    }
};

TEST_F(SubTaskListTest, StateNamesOfBothLists)
{
    struct Case { int32_t state; const char* task; const char* manual; };
    const Case cases[] = {{1, "", ""}, {3, "获取信息出错", "获取信息出错"}, {4, "等待下载", ""},
                          {6, "下载失败", ""}, {7, "等待检测中", "等待检测中"},
                          {8, "正在检测", "语法检测中"}, {9, "格式非法", "语法检测出错"},
                          {10, "格式合法", "图像检测中"}, {12, "检测完毕", "检测完毕"},
                          {13, "检测中断", "检测中断"}, {14, "无法打开", "无法打开"},
                          {15, "无法保存", "无法保存"}, {16, "", ""}};
    for (const Case& c : cases) {
        EXPECT_STREQ(SubTaskStateName(ListKind::kTask, c.state), c.task) << c.state;
        EXPECT_STREQ(SubTaskStateName(ListKind::kManual, c.state), c.manual) << c.state;
    }
    SubTaskInfo_t s{};
    s.nState = kSubTaskFormatValid;
    s.nProgress = 42;
    EXPECT_EQ(SubTaskStateText(ListKind::kManual, s, true, false), "图像检测中: 42 %");
    s.nProgress = 150;
    EXPECT_EQ(SubTaskStateText(ListKind::kManual, s, true, false), "图像检测中");
    s.nState = kSubTaskDownloading;
    s.nDownload = 30;
    EXPECT_EQ(SubTaskStateText(ListKind::kTask, s, false, true), "下载中:30 %");
}

TEST_F(SubTaskListTest, ThumbnailStoresTheRowAndChoosesTheNextState)
{
    CSubTaskList task(ListKind::kTask, 5, 0);
    const int ftp = task.Add("ftp://u:p@127.0.0.1:21/a.mxf", 100, 0);
    const int broken = task.Add("/media/broken.mxf", 100, 2);
    SubTaskInfo_t taken;
    ASSERT_TRUE(task.TakeNextNew(taken));
    EXPECT_EQ(taken.nIndex, ftp);
    EXPECT_EQ(task.Row(ftp).nState, kSubTaskThumbnail);
    EXPECT_EQ(task.Row(ftp).nID, 0) << "not stored before its thumbnail";

    // The local copy is remembered; a report for a sub-task not in the list changes nothing.
    ThumbnailReport_t local = Thumbnail(taken, nullptr);
    std::strcpy(local.szLocalFile, "/cache/1.tmp");
    task.OnThumbnail(kThumbnailLocalCopy, local);
    EXPECT_STREQ(task.Row(ftp).szLocalFile, "/cache/1.tmp");
    SubTaskInfo_t stranger = taken;
    stranger.nSerial = 99;
    task.OnThumbnail(kThumbnailTaken, Thumbnail(stranger, nullptr));
    EXPECT_EQ(task.Row(ftp).nState, kSubTaskThumbnail);

    const std::vector<uint8_t> face(4800, 9);
    task.OnThumbnail(kThumbnailTaken, Thumbnail(taken, &face));
    EXPECT_EQ(task.Row(ftp).nState, kSubTaskWaitDownload) << "an FTP file is downloaded first";
    EXPECT_GT(task.Row(ftp).nID, 0);
    EXPECT_EQ(task.Row(ftp).nFacePicState, 1);
    EXPECT_EQ(task.FaceImage(ftp), face);

    ASSERT_TRUE(task.TakeNextNew(taken));
    task.OnThumbnail(kThumbnailFailed, Thumbnail(taken, nullptr));
    EXPECT_EQ(task.Row(broken).nState, kSubTaskInfoError);
    EXPECT_EQ(StoredState(task.Row(broken).nID), kSubTaskInfoError);

    CSqliteDb db;
    ASSERT_TRUE(db.OpenTaskDb());
    std::vector<uint8_t> stored;
    ASSERT_TRUE(LoadSubTaskFaceImage(db, task.Row(ftp).nID, stored));
    EXPECT_EQ(stored, face);
}

TEST_F(SubTaskListTest, LowestRowIsTakenFirstAndReportsMoveTheStates)
{
    CSubTaskList list(ListKind::kManual, -1, 2);
    ListLog log;
    list.AddObserver(&log);
    AddReady(list, "/media/a.mxf");
    AddReady(list, "/media/b.mxf");
    SubTaskInfo_t first, second;
    ASSERT_TRUE(list.TakeNextForCheck(first));
    ASSERT_TRUE(list.TakeNextForCheck(second));
    EXPECT_EQ(first.nIndex, 0);
    EXPECT_EQ(second.nIndex, 1);
    EXPECT_FALSE(list.TakeNextForCheck(second));
    EXPECT_EQ(log.entering, (std::vector<int>{first.nID, second.nID}));
    EXPECT_EQ(StoredState(first.nID), kSubTaskChecking);

    struct Case { int32_t code; int32_t state; };
    for (const Case& c : {Case{0, 10}, Case{1, 9}, Case{4, 11}, Case{5, 11}, Case{6, 13}, Case{7, 14}, Case{8, 15},
                          Case{3, 12}}) {
        EXPECT_EQ(list.OnCheckReport(c.code, first), 0);
        EXPECT_EQ(list.Row(0).nState, c.state);
        EXPECT_EQ(StoredState(first.nID), c.state);
    }
    // Progress is shown, not stored.
    list.OnCheckReport(kReportFormatValid, second);
    second.nProgress = 55;
    list.OnCheckReport(kReportProgress, second);
    EXPECT_EQ(list.StateText(1), "图像检测中: 55 %");
    EXPECT_EQ(StoredState(second.nID), kSubTaskFormatValid);

    SubTaskInfo_t unknown = second;
    unknown.nSerial = 9999;
    EXPECT_EQ(list.OnCheckReport(kReportDone, unknown), -1);

    // Rows removed while a worker holds its copy: the report still reaches its own sub-task.
    list.Delete({0});
    EXPECT_EQ(list.OnCheckReport(kReportDone, second), 0);
    EXPECT_EQ(list.Row(0).nState, kSubTaskDone);
    EXPECT_EQ(StoredState(second.nID), kSubTaskDone);
}

// A report finds the sub-task it was taken for, whatever rows went meanwhile: an earlier row
// deleted shifts every later one; the sub-task itself deleted drops the report.
TEST_F(SubTaskListTest, ReportsFindTheirOwnSubTaskAfterRowsWereRemoved)
{
    enum class Report { kThumbnail, kDownloadProgress, kDownloadEnd, kCheck };
    struct Case {
        const char* name;
        Report report;
        int32_t stateBefore;  // of the reporting sub-task once taken
        int32_t stateAfter;
    };
    const Case cases[] = {
        {"thumbnail", Report::kThumbnail, kSubTaskThumbnail, kSubTaskWaitDownload},
        {"download progress", Report::kDownloadProgress, kSubTaskDownloading, kSubTaskDownloading},
        {"download end", Report::kDownloadEnd, kSubTaskDownloading, kSubTaskWaitCheck},
        {"check report", Report::kCheck, kSubTaskChecking, kSubTaskDone},
    };
    int taskId = 20;
    for (const Case& c : cases) {
        for (const bool ownDeleted : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (ownDeleted ? ", own row deleted" : ", earlier row deleted"));
            CSubTaskList list(ListKind::kTask, ++taskId, kTargetFtp);
            AddReady(list, "ftp://u:p@h:21/earlier.mxf", kTargetFtp);
            list.Add("ftp://u:p@h:21/own.mxf", 10, kTargetFtp);
            list.Add("ftp://u:p@h:21/later.mxf", 10, kTargetFtp);
            ASSERT_EQ(list.Row(0).nState, kSubTaskWaitDownload);
            // The earlier row's download fails, so the next one taken is the own row's.
            {
                SubTaskInfo_t earlier;
                ASSERT_TRUE(list.TakeNextDownload(earlier));
                list.OnDownload(1, earlier);
            }
            SubTaskInfo_t own;
            ASSERT_TRUE(list.TakeNextNew(own));
            if (c.report != Report::kThumbnail) {
                list.OnThumbnail(kThumbnailTaken, Thumbnail(own, nullptr));
                ASSERT_TRUE(list.TakeNextDownload(own));
                if (c.report == Report::kCheck) {
                    own.nDownload = 1;
                    list.OnDownload(1, own);
                    ASSERT_TRUE(list.TakeNextForCheck(own));
                }
            }
            ASSERT_EQ(list.Row(1).nState, c.stateBefore);
            ASSERT_STREQ(list.Row(1).szFilename, "ftp://u:p@h:21/own.mxf");
            list.Delete({ownDeleted ? 1 : 0});
            ASSERT_EQ(list.Count(), 2);

            const std::vector<uint8_t> face(4800, 3);
            int answer = 0;
            own.nDownload = c.report == Report::kDownloadProgress ? 40 : 1;
            switch (c.report) {
            case Report::kThumbnail: list.OnThumbnail(kThumbnailTaken, Thumbnail(own, &face)); break;
            case Report::kDownloadProgress: list.OnDownload(0, own); break;
            case Report::kDownloadEnd: list.OnDownload(1, own); break;
            case Report::kCheck: answer = list.OnCheckReport(kReportDone, own); break;
            }

            EXPECT_STREQ(list.Row(1).szFilename, "ftp://u:p@h:21/later.mxf");
            EXPECT_EQ(list.Row(1).nState, kSubTaskNew) << "another sub-task was changed";
            EXPECT_EQ(list.Row(1).nID, 0) << "another sub-task was stored";
            if (ownDeleted) {
                EXPECT_STREQ(list.Row(0).szFilename, "ftp://u:p@h:21/earlier.mxf");
                EXPECT_EQ(list.Row(0).nState, kSubTaskDownloadFailed);
                if (c.report == Report::kCheck) {
                    EXPECT_EQ(answer, -1);
                }
                CSqliteDb db;
                ASSERT_TRUE(db.OpenTaskDb());
                EXPECT_EQ(LoadUnfinishedSubTasks(db, taskId).size(), 1u) << "the report stored a sub-task";
                continue;
            }
            const SubTaskInfo_t& mine = list.Row(0);
            EXPECT_STREQ(mine.szFilename, "ftp://u:p@h:21/own.mxf");
            EXPECT_EQ(mine.nState, c.stateAfter) << "the report did not reach its sub-task";
            EXPECT_EQ(mine.nIndex, 0);
            EXPECT_EQ(list.StateText(0), c.report == Report::kDownloadProgress
                                             ? "下载中:40 %"
                                             : SubTaskStateName(ListKind::kTask, c.stateAfter));
            if (c.report == Report::kThumbnail) {
                EXPECT_GT(mine.nID, 0);
                EXPECT_EQ(list.FaceImage(0), face);
            }
            if (mine.nID > 0 && c.report != Report::kDownloadProgress) {
                EXPECT_EQ(StoredState(mine.nID), c.stateAfter);
            }
        }
    }
}

TEST_F(SubTaskListTest, ReloadAndStartResetHalfFinishedSubTasks)
{
    // Store sub-tasks in every state for a task and for the manual list.
    for (int32_t taskId : {3, -1}) {
        CSqliteDb db;
        ASSERT_TRUE(db.OpenTaskDb());
        for (int32_t state = 3; state <= 15; ++state) {
            SubTaskInfo_t s{};
            s.nTaskID = taskId;
            s.nState = state;
            std::snprintf(s.szFilename, sizeof(s.szFilename), "/m/%d.mxf", state);
            std::strcpy(s.szNewFilename, "/cache/old.tmp");
            int id = 0;
            ASSERT_TRUE(db.AddSubTask(id, s));
        }
    }
    struct Expect { int32_t stored, task, manual; };
    // An interrupted check is checked again; a file that could not be opened or stored shows so.
    const Expect expected[] = {{3, 3, 3},   {4, 4, 4},   {5, 4, 5},    {6, 4, 6},    {7, 7, 7},   {8, 7, 7},
                               {9, 9, 9},   {10, 7, 7},  {11, 7, 7},   {13, 7, 7},   {14, 14, 14}, {15, 15, 15}};
    constexpr int kLoaded = static_cast<int>(std::size(expected));
    CSubTaskList task(ListKind::kTask, 3, 2), manual(ListKind::kManual, -1, 2);
    task.Load();
    manual.Load();
    ASSERT_EQ(task.Count(), kLoaded) << "finished sub-tasks are not loaded";
    ASSERT_EQ(manual.Count(), kLoaded);
    for (int row = 0; row < kLoaded; ++row) {
        const Expect& e = expected[row];
        EXPECT_EQ(task.Row(row).nState, e.task) << "stored " << e.stored;
        EXPECT_EQ(manual.Row(row).nState, e.manual) << "stored " << e.stored;
        EXPECT_EQ(task.Row(row).nIndex, row);
        if (e.task == kSubTaskWaitCheck && e.stored >= 8) {
            EXPECT_STREQ(task.Row(row).szNewFilename, task.Row(row).szFilename);
        }
    }
    EXPECT_EQ(StoredState(task.Row(5).nID), 8) << "resets are not written back";

    // Start re-queues what stopped midway: a manual 9 stays.
    SubTaskInfo_t s;
    ASSERT_TRUE(manual.TakeNextForCheck(s));
    manual.OnCheckReport(kReportFormatValid, s);
    manual.OnCheckReport(kReportStopped, s);
    manual.ResetForStart();
    EXPECT_EQ(manual.Row(s.nIndex).nState, kSubTaskWaitCheck);
    EXPECT_EQ(manual.Row(6).nState, kSubTaskFormatInvalid);
    EXPECT_EQ(manual.Row(10).nState, kSubTaskOpenFailed) << "not tried again by itself";
}

TEST_F(SubTaskListTest, DuplicatesAndDeletion)
{
    CSubTaskList list(ListKind::kManual, -1, 2);
    AddReady(list, "/media/one.mxf");
    EXPECT_TRUE(list.IsDuplicate("/media/one.mxf", 1));
    EXPECT_TRUE(list.IsDuplicate("/other/one.mxf", 1234)) << "same name and size";
    EXPECT_FALSE(list.IsDuplicate("/other/one.mxf", 99));

    // Rows stored by another run count only once loaded: those of a run that died must not
    // keep the file from being checked.
    CSubTaskList again(ListKind::kManual, -1, 2);
    EXPECT_FALSE(again.IsDuplicate("/media/one.mxf", 1234));
    again.Load();
    EXPECT_TRUE(again.IsDuplicate("/media/one.mxf", 1234));
    EXPECT_FALSE(again.IsDuplicate("/media/it's.mxf", 1234));

    // A sub-task that ended, well or not (stopped, not opened, not stored), may be added again.
    for (int32_t report : {kReportDone, kReportPictureError, kReportStopped, kReportOpenFailed, kReportStoreFailed}) {
        SubTaskInfo_t s;
        ASSERT_TRUE(list.TakeNextForCheck(s));
        EXPECT_TRUE(list.IsDuplicate("/media/one.mxf", 1)) << "being checked";
        list.OnCheckReport(report, s);
        EXPECT_FALSE(list.IsDuplicate("/media/one.mxf", 1)) << "report " << report;
        AddReady(list, "/media/one.mxf");
    }
    const int failed = list.Add("/media/unreadable.mxf", 1234, 2);
    SubTaskInfo_t taken;
    ASSERT_TRUE(list.TakeNextNew(taken));
    list.OnThumbnail(kThumbnailFailed, Thumbnail(taken, nullptr));
    EXPECT_EQ(list.Row(failed).nState, kSubTaskInfoError);
    EXPECT_FALSE(list.IsDuplicate("/media/unreadable.mxf", 1234)) << "it could not be opened: try again";
    list.Delete({6, 5, 4, 3, 2, 1});

    for (const char* name : {"/m/2.mxf", "/m/3.mxf", "/m/4.mxf", "/m/5.mxf"})
        AddReady(list, name);
    const int deletedId = list.Row(1).nID;
    list.Delete({3, 1});
    ASSERT_EQ(list.Count(), 3);
    EXPECT_STREQ(list.Row(1).szFilename, "/m/3.mxf");
    EXPECT_STREQ(list.Row(2).szFilename, "/m/5.mxf");
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(list.Row(row).nIndex, row);
    EXPECT_EQ(StoredState(deletedId), -1);
}

// A task's file that ended "format invalid" keeps that verdict when the task starts again,
// unless the file changed since its check began; what stopped midway is checked again.
TEST_F(SubTaskListTest, AFormatVerdictStaysAtARestartUnlessTheFileChanged)
{
    const std::string folder = home_ + "/in";
    std::filesystem::create_directory(folder);
    const std::time_t checked = std::time(nullptr) - 600;
    CSqliteDb db;
    ASSERT_TRUE(db.OpenTaskDb());
    struct Case { const char* name; int64_t storedSize; int writtenAgo; int32_t state; int32_t expected; };
    const Case cases[] = {
        {"same.mxf", 5, 3600, kSubTaskFormatInvalid, kSubTaskFormatInvalid},
        {"longer.mxf", 4, 3600, kSubTaskFormatInvalid, kSubTaskWaitCheck},
        {"rewritten.mxf", 5, 60, kSubTaskFormatInvalid, kSubTaskWaitCheck},
        {"stopped.mxf", 5, 3600, kSubTaskInterrupted, kSubTaskWaitCheck},
    };
    for (const Case& c : cases) {
        const std::string path = folder + "/" + c.name;
        std::ofstream(path) << "12345";
        struct utimbuf times{};
        times.modtime = times.actime = std::time(nullptr) - c.writtenAgo;
        ASSERT_EQ(utime(path.c_str(), &times), 0);
        SubTaskInfo_t s{};
        s.nTaskID = 5;
        s.nState = c.state;
        s.llFileSize = c.storedSize;
        std::strcpy(s.szFilename, path.c_str());
        int id = 0;
        ASSERT_TRUE(db.AddSubTask(id, s));
        ResultInfo_t r{};
        r.nTaskID = 5;
        r.nSubTaskID = id;
        r.tmBegin = static_cast<int32_t>(checked);
        r.tmEnd = r.tmBegin + 10;
        r.nFmtError = kFormatInvalid;
        int resultId = 0;
        ASSERT_TRUE(db.AddResult(resultId, r));
    }
    CSubTaskList task(ListKind::kTask, 5, 2);
    for (const char* when : {"loaded", "started"}) {
        if (std::string(when) == "started")
            task.ResetForStart();
        else
            task.Load();
        ASSERT_EQ(task.Count(), static_cast<int>(std::size(cases)));
        for (int row = 0; row < task.Count(); ++row)
            EXPECT_EQ(task.Row(row).nState, cases[row].expected) << when << " " << cases[row].name;
    }
}

// The cache clean-up leaves the local copies a sub-task still needs, from its download to the
// end of its check; a download that vanished before its check is downloaded again.
TEST_F(SubTaskListTest, LocalCopiesStayInTheCacheWhileTheirSubTaskNeedsThem)
{
    const std::string cache = home_ + "/cache";
    std::filesystem::create_directories(cache + "/task6/in");
    ASSERT_TRUE(WriteSetting(kCachePath, cache));
    const std::string copy = cache + "/task6/in/a.mxf";
    std::ofstream(copy) << "whole download";
    std::ofstream(cache + "/old.tmp") << "left over";
    const FreeSpaceQuery full = [](const std::string&, uint64_t& freeBytes) {
        freeBytes = 0;
        return true;
    };

    CSubTaskList list(ListKind::kTask, 6, 0);
    ListLog log;
    list.AddObserver(&log);
    AddReady(list, "ftp://srv/in/a.mxf", 0);
    SubTaskInfo_t s;
    ASSERT_TRUE(list.TakeNextDownload(s));
    std::strcpy(s.szNewFilename, copy.c_str());
    s.nDownload = 1;
    list.OnDownload(1, s);
    ASSERT_EQ(list.Row(0).nState, kSubTaskWaitCheck);
    std::string shortage;
    EXPECT_FALSE(MakeRoom(full, &shortage));
    EXPECT_TRUE(std::filesystem::exists(copy)) << "waiting for its check";
    EXPECT_FALSE(std::filesystem::exists(cache + "/old.tmp"));
    EXPECT_NE(shortage.find("空间不足"), std::string::npos) << shortage;
    list.OnCacheShortage(shortage);
    list.OnCacheShortage(shortage);
    EXPECT_EQ(log.notices, std::vector<std::string>{shortage}) << "said once, when it begins";

    ASSERT_TRUE(list.TakeNextForCheck(s));
    MakeRoom(full);
    EXPECT_TRUE(std::filesystem::exists(copy)) << "being checked";
    std::filesystem::remove(copy);
    list.OnCheckReport(kReportCopyGone, s);
    EXPECT_EQ(list.Row(0).nState, kSubTaskWaitDownload) << "downloaded again";
    ASSERT_TRUE(list.TakeNextDownload(s));
    std::ofstream(copy) << "downloaded again";
    s.nDownload = 1;
    list.OnDownload(1, s);
    ASSERT_TRUE(list.TakeNextForCheck(s));
    list.OnCheckReport(kReportDone, s);
    MakeRoom(full);
    EXPECT_FALSE(std::filesystem::exists(copy)) << "checked: the cache may take it back";
}

}  // namespace
}  // namespace quarvik
