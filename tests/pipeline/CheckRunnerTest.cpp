// The workers of a list, end to end: real files, the real engine, the databases of a
// temporary program folder.
#include "CheckRunner.h"
#include "FaultKinds.h"
#include "FormatCheck.h"
#include "Settings.h"
#include "SqliteDb.h"
#include "TaskQueries.h"
#include "TaskSetup.h"
#include "UdpSource.h"
#include "TempHome.h"
#include "TextField.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

namespace quarvik {
namespace {

std::string Media(const std::string& name)
{
    const char* folder = std::getenv("QUARVIK_TEST_MEDIA");
    return std::string(folder ? folder : "test-media") + "/" + name;
}

class CheckRunnerTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        std::filesystem::create_directory(HomeFile("cache"));
        ASSERT_TRUE(WriteSetting(kCachePath, HomeFile("cache")));
        m_recorder.SetStoreMediaInfo([](const std::string& path, int32_t id, std::string& storeError) {
            return StoreMediaInfo(path, id, CMediaInfoLib::Instance(), &storeError);
        });
    }
    // Serves the workers until every row of the list is in one of the states, or 60 s.
    bool WaitForStates(CEventLoop& home, const CSubTaskList& list, int rows, std::initializer_list<int32_t> states)
    {
        return home.PumpWhile(
            [&] {
                if (list.Count() < rows)
                    return true;
                for (int r = 0; r < list.Count(); ++r) {
                    if (std::find(states.begin(), states.end(), list.Row(r).nState) == states.end())
                        return true;
                }
                return false;
            },
            60000);
    }
    static int64_t Size(const std::string& path) { return static_cast<int64_t>(std::filesystem::file_size(path)); }

    CEventLoop m_home;
    CResultRecorder m_recorder;
};

TEST_F(CheckRunnerTest, ManualListChecksAndStoresEveryFile)
{
    CSubTaskList list(ListKind::kManual, -1, kTargetFolder);
    list.Add(Media("faults.ts"), Size(Media("faults.ts")), kTargetFolder);
    list.Add(Media("notes.txt"), 18, kTargetFolder);
    list.Add(Media("tone.wav"), Size(Media("tone.wav")), kTargetFolder);
    CCheckRunner runner(m_home, list, m_recorder, ManualCheckSetup());
    ASSERT_TRUE(runner.Start());
    runner.StartThumbnails();
    ASSERT_TRUE(WaitForStates(m_home, list, 3, {kSubTaskDone, kSubTaskInfoError}));
    runner.Stop();

    EXPECT_EQ(list.Row(0).nState, kSubTaskDone);
    EXPECT_EQ(list.Row(0).nFacePicState, 1);
    EXPECT_EQ(list.Row(1).nState, kSubTaskInfoError) << "no picture, no sound: never checked";
    EXPECT_EQ(list.Row(2).nState, kSubTaskDone) << "a sound file is checked without a picture";
    ASSERT_EQ(m_recorder.Count(), 2);
    const ResultRow_t& row = m_recorder.Row(0);
    EXPECT_EQ(row.colour, RowColour::kRed);
    for (int32_t kind : {kFaultColourBars, kFaultBlack, kFaultColourField, kFaultStillFrame, kFaultTooHighLeft})
        EXPECT_EQ(row.counts[CountColumnOfKind(kind)], 1) << FaultDetailName(kind);
    EXPECT_EQ(row.info.nFrame, 299);
    EXPECT_EQ(row.face.size(), 4800u);
    EXPECT_EQ(row.State(), kSubTaskDone);

    CSqliteDb db;
    ASSERT_TRUE(db.OpenTaskDb());
    EXPECT_EQ(LoadFaults(db, row.info.nID).size(), 5u);
    EXPECT_FALSE(LoadMediaInfo(db, row.info.nID).empty());
    EXPECT_TRUE(LoadUnfinishedSubTasks(db, -1).size() == 1u) << "only the unreadable file stays unfinished";
}

// What the monitor was told, in order.
class ProgressLog : public ICheckMonitor {
public:
    void OnPreviewPicture(const BitmapInfoHeader_t&, const uint8_t*) override {}
    void OnCheckProgress(bool, const CheckProgress_t& progress) override
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_reports.push_back(progress);
    }
    std::vector<CheckProgress_t> Reports()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_reports;
    }

private:
    std::mutex m_mutex;
    std::vector<CheckProgress_t> m_reports;
};

TEST_F(CheckRunnerTest, MonitorShowsTheEndOfACheckQuickerThanItsFirstProgress)
{
    CSubTaskList list(ListKind::kManual, -1, kTargetFolder);
    list.Add(Media("faults.ts"), Size(Media("faults.ts")), kTargetFolder);
    ProgressLog monitor;
    CCheckRunner runner(m_home, list, m_recorder, ManualCheckSetup());
    runner.SetMonitor(&monitor, 1);
    ASSERT_TRUE(runner.Start());
    runner.StartThumbnails();
    ASSERT_TRUE(WaitForStates(m_home, list, 1, {kSubTaskDone}));
    runner.Stop();

    const std::vector<CheckProgress_t> reports = monitor.Reports();
    ASSERT_FALSE(reports.empty());
    const CheckProgress_t& end = reports.back();
    EXPECT_EQ(end.nProgress, 100);
    EXPECT_EQ(end.nPictures, 300);
    EXPECT_GT(end.nSpeed, 0) << "the speed of the whole check, not of a report that never came";
}

// Ten minutes of small pictures: an input whose check is stopped long before its end.
bool MakeLongInput(const std::string& path)
{
    const std::string command = "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=160x120:rate=25:duration=600 "
                                "-c:v mpeg2video -b:v 200k -f mpegts '" + path + "'";
    return std::system(command.c_str()) == 0;
}

TEST_F(CheckRunnerTest, ChecksThatCannotOpenOrAreStoppedEndAsFailures)
{
    // Two sub-tasks waiting for their check: a file deleted after it was added, and an input
    // that goes on until the operator stops the check.
    const std::string pipe = HomeFile("live.ts");
    ASSERT_TRUE(MakeLongInput(pipe));
    {
        CSqliteDb db;
        ASSERT_TRUE(db.OpenTaskDb());
        for (const std::string& path : {HomeFile("gone.ts"), pipe}) {
            SubTaskInfo_t s{};
            s.nTaskID = -1;
            s.nType = kTargetFolder;
            s.nState = kSubTaskWaitCheck;
            CopyField(s.szFilename, path);
            CopyField(s.szNewFilename, path);
            CopyField(s.szName, std::filesystem::path(path).filename().string());
            int id = 0;
            ASSERT_TRUE(db.AddSubTask(id, s));
        }
    }
    CSubTaskList list(ListKind::kManual, -1, kTargetFolder);
    list.Load();
    ASSERT_EQ(list.Count(), 2);
    CCheckRunner runner(m_home, list, m_recorder, ManualCheckSetup());
    ASSERT_TRUE(runner.Start());
    // Stopped once the endless input shows progress, that is, in the middle of its check.
    ASSERT_TRUE(m_home.PumpWhile(
        [&] { return list.Row(0).nState != kSubTaskOpenFailed || list.StateText(1).find(':') == std::string::npos; },
        60000));
    runner.Stop();

    EXPECT_EQ(list.Row(0).nState, kSubTaskOpenFailed);
    EXPECT_EQ(list.StateText(0), "无法打开");
    EXPECT_EQ(list.Row(1).nState, kSubTaskInterrupted);
    EXPECT_EQ(list.StateText(1), "检测中断") << "no longer \"图像检测中\"";
    ASSERT_EQ(m_recorder.Count(), 2);
    CSqliteDb db;
    ASSERT_TRUE(db.OpenTaskDb());
    const std::vector<ResultRow> stored = LoadResultsBetween(db, 0, 0x7fffffff, false);
    ASSERT_EQ(stored.size(), 2u) << "both results are kept";
    const int32_t expected[] = {kSubTaskOpenFailed, kSubTaskInterrupted};
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(m_recorder.Row(row).State(), expected[row]) << row;
        EXPECT_EQ(stored[row].info.nID, m_recorder.Row(row).info.nID) << row;
        EXPECT_EQ(stored[row].info.nState, expected[row]) << row;
        EXPECT_GT(stored[row].info.tmEnd, 0) << row;
    }
    EXPECT_GT(m_recorder.Row(1).info.nFrame, 0) << "what was checked until the stop is kept";
    EXPECT_EQ(LoadUnfinishedSubTasks(db, -1).size(), 2u);
}

TEST_F(CheckRunnerTest, AFileWithoutADecodablePictureIsCheckedAndCountedAsVideoLost)
{
    // Cut right behind the index: the file opens, its video stream gives no picture.
    std::ifstream in(Media("intra.mp4"), std::ios::binary);
    const std::string whole{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const size_t data = whole.find("mdat", whole.find("moov"));
    ASSERT_NE(data, std::string::npos);
    const std::string cut = HomeFile("cut.mp4");
    std::ofstream(cut, std::ios::binary) << whole.substr(0, data + 4);

    CSubTaskList list(ListKind::kManual, -1, kTargetFolder);
    list.Add(cut, Size(cut), kTargetFolder);
    CCheckRunner runner(m_home, list, m_recorder, ManualCheckSetup());
    ASSERT_TRUE(runner.Start());
    runner.StartThumbnails();
    ASSERT_TRUE(WaitForStates(m_home, list, 1, {kSubTaskDone, kSubTaskInfoError}));
    runner.Stop();

    EXPECT_EQ(list.Row(0).nState, kSubTaskDone) << "no picture to show, but material to check";
    EXPECT_NE(list.Row(0).nFacePicState, 1);
    ASSERT_EQ(m_recorder.Count(), 1);
    EXPECT_EQ(m_recorder.Row(0).counts[CountColumnOfKind(kFaultVideoLost)], 1);
    EXPECT_EQ(m_recorder.Row(0).colour, RowColour::kRed);
    CSqliteDb db;
    ASSERT_TRUE(db.OpenTaskDb());
    const std::vector<ResultRow> stored = LoadResultsBetween(db, 0, INT32_MAX, false);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].info.nNVCount, 1);
}

TEST_F(CheckRunnerTest, RemoteMaterialThatCannotBeFetchedEndsAsAnInformationError)
{
    for (const bool stream : {false, true}) {
        SCOPED_TRACE(stream ? "silent stream" : "dead FTP server");
        CSubTaskList list(ListKind::kManual, -1, kTargetFolder);
        CheckRunnerSetup setup = ManualCheckSetup();
        // A closed loopback port: the connection is refused at once. A stream nobody sends:
        // the recording gives up after its (here short) silence time-out.
        setup.fetcher = stream ? std::shared_ptr<ICheckFetcher>(std::make_shared<CUdpFetcher>(300))
                               : MakeRemoteFetcher();
        list.Add(stream ? "udp://@127.0.0.1:9" : "ftp://u:p@127.0.0.1:1/clip.ts", 0, stream ? kTargetUdp : kTargetFtp);
        CCheckRunner runner(m_home, list, m_recorder, setup);
        ASSERT_TRUE(runner.Start());
        runner.StartThumbnails();
        ASSERT_TRUE(WaitForStates(m_home, list, 1, {kSubTaskInfoError}));
        runner.Stop();
        EXPECT_TRUE(std::filesystem::is_empty(HomeFile("cache"))) << "no partial copy is left";
    }
}

TEST_F(CheckRunnerTest, StartNeedsAnExistingCacheFolder)
{
    ASSERT_TRUE(WriteSetting(kCachePath, HomeFile("missing")));
    CSubTaskList list(ListKind::kManual, -1, kTargetFolder);
    CCheckRunner runner(m_home, list, m_recorder, ManualCheckSetup());
    std::string error;
    EXPECT_FALSE(runner.Start(&error));
    EXPECT_EQ(error, "缓存文件夹未设置或者无效!");
    EXPECT_FALSE(runner.Running());
}

// A source that hands over the given files once, then waits for the stop.
SourceBodyFn HandOverOnce(std::vector<std::string> paths)
{
    return [paths](CWorkerThread& self, const HandOverFn& handOver) {
        self.ConfirmStarted();
        for (const std::string& p : paths)
            handOver(p, static_cast<int64_t>(std::filesystem::file_size(p)));
        while (!self.SleepUnlessStopped(1000)) {
        }
    };
}

// A task's download that vanished from the cache before its check could open it is downloaded
// again; the result of that check says it could not open the file.
TEST_F(CheckRunnerTest, ADownloadThatVanishedBeforeItsCheckIsDownloadedAgain)
{
    SubTaskInfo_t waiting{};
    waiting.nTaskID = 9;
    waiting.nType = kTargetFtp;
    waiting.nState = kSubTaskWaitCheck;
    CopyField(waiting.szFilename, "ftp://127.0.0.1/in/a.mxf");
    CopyField(waiting.szNewFilename, HomeFile("cache") + "/task9/in/a.mxf");
    {
        CSqliteDb db;
        ASSERT_TRUE(db.OpenTaskDb());
        int id = 0;
        ASSERT_TRUE(db.AddSubTask(id, waiting));
    }
    CheckRunnerSetup setup;
    setup.kind = ListKind::kTask;
    setup.task.nID = 9;
    setup.task.bPicute = 1;
    setup.targetType = kTargetFtp;
    setup.source = HandOverOnce({});
    setup.downloads = [](CWorkerThread& self, IDispatcher&, CSubTaskList&) {
        self.ConfirmStarted();
        while (!self.SleepUnlessStopped(1000)) {
        }
    };
    CSubTaskList list(ListKind::kTask, 9, kTargetFtp);
    list.Load();
    CCheckRunner runner(m_home, list, m_recorder, setup);
    ASSERT_TRUE(runner.Start());
    ASSERT_TRUE(WaitForStates(m_home, list, 1, {kSubTaskWaitDownload, kSubTaskOpenFailed}));
    runner.Stop();
    EXPECT_EQ(list.Row(0).nState, kSubTaskWaitDownload);
    ASSERT_EQ(m_recorder.Count(), 1);
    EXPECT_EQ(m_recorder.Row(0).State(), kSubTaskOpenFailed);
}

TEST_F(CheckRunnerTest, TaskWithBothChecksOffStopsAtChecking)
{
    CheckRunnerSetup setup;
    setup.kind = ListKind::kTask;
    setup.task.nID = 7;
    setup.source = HandOverOnce({Media("faults.ts")});
    CSubTaskList list(ListKind::kTask, 7, kTargetFolder);
    CCheckRunner runner(m_home, list, m_recorder, setup);
    ASSERT_TRUE(runner.Start());
    ASSERT_TRUE(WaitForStates(m_home, list, 1, {kSubTaskChecking}));
    m_home.PumpWhile([] { return true; }, 1500);  // a check thread pass later: still 8
    runner.Stop();
    EXPECT_EQ(list.Row(0).nState, kSubTaskChecking);
    EXPECT_EQ(m_recorder.Count(), 1);
    EXPECT_EQ(m_recorder.Row(0).info.nFrame, 0);
}

TEST_F(CheckRunnerTest, FailedFormatCheckSkipsTheContentCheck)
{
    MonSyntaxItem_t item{};
    CopyField(item.szAvLevel, "Video");
    CopyField(item.szName, "Width");
    CopyField(item.szValue1, "1920");
    MonSyntax_t syntax{};
    CopyField(syntax.szName, "HD");
    syntax.nCount = 1;
    syntax.pItems = &item;
    int syntaxId = 0;
    {
        CSqliteDb db;
        ASSERT_TRUE(db.OpenTemplDb());
        ASSERT_TRUE(db.AddSyntax(syntax, syntaxId));
    }
    CheckRunnerSetup setup;
    setup.kind = ListKind::kTask;
    setup.task.nID = 8;
    setup.task.bSyntax = 1;
    setup.task.bPicute = 1;
    setup.formatCheck = MakeFormatCheck(syntaxId);
    ASSERT_TRUE(setup.formatCheck);
    setup.source = HandOverOnce({Media("faults.ts")});
    CSubTaskList list(ListKind::kTask, 8, kTargetFolder);
    CCheckRunner runner(m_home, list, m_recorder, setup);
    ASSERT_TRUE(runner.Start());
    ASSERT_TRUE(WaitForStates(m_home, list, 1, {kSubTaskFormatInvalid}));
    runner.Stop();
    ASSERT_EQ(m_recorder.Count(), 1);
    const ResultRow_t& row = m_recorder.Row(0);
    EXPECT_EQ(row.info.nFmtError, kFormatInvalid);
    EXPECT_EQ(row.colour, RowColour::kDarkRed);
    EXPECT_EQ(row.State(), kSubTaskDone) << "the check ends with its format check";
    EXPECT_GT(row.info.tmEnd, 0);
    CSqliteDb db;
    ASSERT_TRUE(db.OpenTaskDb());
    EXPECT_TRUE(LoadFaults(db, row.info.nID).empty());
    const std::vector<SyntaxErrRow> deviations = LoadSyntaxErrs(db, row.info.nID);
    ASSERT_EQ(deviations.size(), 1u);
    EXPECT_EQ(deviations[0].szRealValue, "720");
}

TEST_F(CheckRunnerTest, FolderTaskChecksNewFilesOnceAcrossRestarts)
{
    const std::string folder = HomeFile("in");
    std::filesystem::create_directory(folder);
    MonObj_t target{};
    target.nID = 4;
    target.nType = kTargetFolder;
    target.nTimeSpan = 1;
    ASSERT_LT(folder.size(), sizeof(target.szPath));
    CopyField(target.szPath, folder);
    std::filesystem::copy_file(Media("faults.avi"), folder + "/big.avi");  // 45 MB
    std::filesystem::copy_file(Media("faults.ts"), folder + "/small.ts");  // under 10 MB

    CheckRunnerSetup setup;
    setup.kind = ListKind::kTask;
    setup.task.nID = 4;
    setup.task.bPicute = 1;
    setup.source = FolderSourceBody(target);
    {
        CSubTaskList list(ListKind::kTask, 4, kTargetFolder);
        list.Load();
        CCheckRunner runner(m_home, list, m_recorder, setup);
        ASSERT_TRUE(runner.Start());
        ASSERT_TRUE(WaitForStates(m_home, list, 1, {kSubTaskDone}));
        m_home.PumpWhile([] { return true; }, 2500);  // more scans: nothing new
        runner.Stop();
        ASSERT_EQ(list.Count(), 1);
        EXPECT_EQ(std::string(list.Row(0).szFilename), folder + "/big.avi");
    }
    CSubTaskList again(ListKind::kTask, 4, kTargetFolder);
    again.Load();
    CCheckRunner runner(m_home, again, m_recorder, setup);
    ASSERT_TRUE(runner.Start());
    m_home.PumpWhile([] { return true; }, 2500);
    runner.Stop();
    EXPECT_EQ(again.Count(), 0) << "a file handed on before is not offered again";
    EXPECT_EQ(m_recorder.Count(), 1);
}

}  // namespace
}  // namespace quarvik
