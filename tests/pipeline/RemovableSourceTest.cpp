#include "MountNotifier.h"
#include "RemovableSource.h"
#include "SqliteDb.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>
#include <utility>

namespace quarvik {
namespace {

namespace fs = std::filesystem;

// A sysfs tree with a USB stick partition (8:17, removable), a whole-disk card reader (8:32,
// removable) and a system disk partition (8:1, fixed), and a mount table the test rewrites.
class RemovableSourceTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        paths_.mountInfo = home_ + "/mountinfo";
        paths_.sysfsRoot = home_ + "/sys";
        AddDevice("8:17", "devices/usb1/sdb/sdb1", true, "sdb", true);
        AddDevice("8:32", "devices/usb2/sdc", false, "sdc", true);
        AddDevice("8:1", "devices/ata1/sda/sda1", true, "sda", false);
        stick_ = home_ + "/media/STICK";
        fs::create_directories(stick_);
    }

    void AddDevice(const std::string& majorMinor, const std::string& node, bool partition,
                   const std::string& disk, bool removable)
    {
        const fs::path sys = paths_.sysfsRoot;
        fs::create_directories(sys / node);
        if (partition)
            std::ofstream(sys / node / "partition") << "1\n";
        fs::create_directories(sys / "block" / disk);
        std::ofstream(sys / "block" / disk / "removable") << (removable ? "1\n" : "0\n");
        fs::create_directories(sys / "dev" / "block");
        fs::create_symlink(fs::path("../..") / node, sys / "dev" / "block" / majorMinor);
    }

    // Mount lines: major:minor and the mount point as mountinfo writes it (escaped).
    void WriteMounts(const std::vector<std::pair<std::string, std::string>>& mounts)
    {
        std::ofstream out(paths_.mountInfo, std::ios::trunc);
        out << "22 1 0:21 / /proc rw,nosuid shared:12 - proc proc rw\n";
        int id = 30;
        for (const auto& [dev, point] : mounts)
            out << id++ << " 1 " << dev << " / " << point << " rw,relatime shared:1 - vfat /dev/x rw\n";
    }

    // Copies a generated medium into dir; false when the media are not there.
    static bool CopyMedium(const std::string& name, const fs::path& dir)
    {
        const char* media = std::getenv("QUARVIK_TEST_MEDIA");
        if (!media || !fs::exists(fs::path(media) / name))
            return false;
        fs::create_directories(dir);
        fs::copy_file(fs::path(media) / name, dir / name, fs::copy_options::overwrite_existing);
        return true;
    }

    // Two media files at the stick's root, one in a sub-folder, one text file.
    void FillStick()
    {
        if (!CopyMedium("tone.wav", stick_) || !CopyMedium("video-only.mkv", stick_) ||
            !CopyMedium("faults.ts", fs::path(stick_) / "sub"))
            GTEST_SKIP() << "generated test media missing in QUARVIK_TEST_MEDIA";
        std::ofstream(stick_ + "/notes.txt") << "not media\n";
    }

    MountTablePaths paths_;
    std::string stick_;
};

TEST_F(RemovableSourceTest, WatcherReportsRemovableMountsAsTheyComeAndGo)
{
    WriteMounts({{"8:1", "/"}, {"8:17", "/media/u/MY\\040STICK"}, {"8:32", "/media/u/CARD"},
                 {"0:45", "/run/user/1000"}});
    CMountWatcher watcher(paths_);
    using Events = std::vector<std::pair<bool, std::string>>;
    const auto poll = [&] {
        Events out;
        for (const MountEvent& e : watcher.Poll())
            out.emplace_back(e.arrived, e.mountPoint);
        return out;
    };
    // A partition counts by its disk's flag; a fixed disk and a mount without a block device never do.
    EXPECT_EQ(poll(), (Events{{true, "/media/u/MY STICK"}, {true, "/media/u/CARD"}}));
    EXPECT_EQ(poll(), Events{});

    WriteMounts({{"8:1", "/"}, {"8:17", "/media/u/MY\\040STICK"}});
    EXPECT_EQ(poll(), (Events{{false, "/media/u/CARD"}}));

    // Remounted elsewhere between two polls: taken away first, then arrived at its new place.
    WriteMounts({{"8:1", "/"}, {"8:17", "/mnt/stick"}});
    EXPECT_EQ(poll(), (Events{{false, "/media/u/MY STICK"}, {true, "/mnt/stick"}}));

    // An unreadable table is no news, not the removal of every disk.
    fs::remove(paths_.mountInfo);
    EXPECT_EQ(poll(), Events{});
    WriteMounts({{"8:1", "/"}, {"8:17", "/mnt/stick"}});
    EXPECT_EQ(poll(), Events{});
    EXPECT_EQ(watcher.ReadRemovableMounts(), std::vector<std::string>{"/mnt/stick"});
}

TEST_F(RemovableSourceTest, ScanHandsOnMediaFilesAtTheRootOnlyAndStopsBetweenFiles)
{
    FillStick();
    if (IsSkipped())
        return;
    std::map<std::string, int64_t> found;
    EXPECT_TRUE(ScanMountPoint(stick_, [&](const std::string& path, int64_t size) { found[path] = size; }));
    EXPECT_EQ(found, (std::map<std::string, int64_t>{
                         {stick_ + "/tone.wav", static_cast<int64_t>(fs::file_size(stick_ + "/tone.wav"))},
                         {stick_ + "/video-only.mkv",
                          static_cast<int64_t>(fs::file_size(stick_ + "/video-only.mkv"))}}));

    found.clear();
    EXPECT_FALSE(ScanMountPoint(stick_, [&](const std::string& p, int64_t s) { found[p] = s; }, [] { return true; }));
    EXPECT_TRUE(found.empty());
    EXPECT_TRUE(ScanMountPoint(home_ + "/no-such-mount", [&](const std::string& p, int64_t s) { found[p] = s; }));
    EXPECT_TRUE(found.empty());
}

int StoredSubTaskCount()
{
    CSqliteDb db;
    EXPECT_TRUE(db.OpenTaskDb());
    EXPECT_TRUE(db.Query("select count(*) from SubTasks"));
    int32_t count = -1;
    if (db.Step() == 100)
        db.GetInt(0, count);
    db.EndQuery();
    return count;
}

// Takes the next new sub-task through a successful thumbnail (stored, state 7).
void Thumbnailed(CSubTaskList& list)
{
    SubTaskInfo_t taken;
    ASSERT_TRUE(list.TakeNextNew(taken));
    ThumbnailReport_t report;
    std::memset(&report, 0, sizeof(report));
    report.nSerial = taken.nSerial;
    list.OnThumbnail(kThumbnailTaken, report);
}

TEST_F(RemovableSourceTest, RemovingAVolumeDeletesItsUnfinishedSubTasksOnly)
{
    CSubTaskList list(ListKind::kTask, 4, kTargetRemovable);
    list.Add("/media/a/new.ts", 1, kTargetRemovable);          // state 1, memory only
    list.Add("/media/ab/other-volume.ts", 1, kTargetRemovable);  // a longer name, not below /media/a
    list.Add("/media/a/waiting.ts", 1, kTargetRemovable);
    list.Add("/media/a/done.ts", 1, kTargetRemovable);
    for (int i = 0; i < 4; ++i)
        Thumbnailed(list);
    SubTaskInfo_t done = list.Row(3);
    ASSERT_EQ(list.OnCheckReport(kReportDone, done), 0);
    list.Add("/media/a/fresh.ts", 1, kTargetRemovable);
    ASSERT_EQ(StoredSubTaskCount(), 4);

    list.RemoveUnfinishedUnder("/media/a/");
    ASSERT_EQ(list.Count(), 2);
    EXPECT_STREQ(list.Row(0).szFilename, "/media/ab/other-volume.ts");
    EXPECT_STREQ(list.Row(1).szFilename, "/media/a/done.ts");
    EXPECT_EQ(list.Row(1).nIndex, 1);
    EXPECT_EQ(StoredSubTaskCount(), 2);
}

TEST_F(RemovableSourceTest, BodyScansPluggedDisksRemovesTheirWorkWhenPulledAndAddsNoDuplicates)
{
    FillStick();
    if (IsSkipped())
        return;
    WriteMounts({{"8:1", "/"}, {"8:17", stick_}});
    CEventLoop home;
    CSubTaskList list(ListKind::kTask, 4, kTargetRemovable);
    MonObj_t target{};
    target.nType = kTargetRemovable;
    const SourceBodyFn body = RemovableSourceBody(target, HomeListLink(home, list), paths_);
    const HandOverFn handOver = [&](const std::string& path, int64_t size) {
        home.Send([&] { list.Add(path, size, kTargetRemovable); });
    };
    CWorkerThread source;
    ASSERT_TRUE(source.Start([&](CWorkerThread& self) { body(self, handOver); }));

    ASSERT_TRUE(home.PumpWhile([&] { return list.Count() < 2; }, 20000));
    // One of them gets checked to the end before the stick is pulled out.
    Thumbnailed(list);
    SubTaskInfo_t first = list.Row(0);
    ASSERT_EQ(list.OnCheckReport(kReportDone, first), 0);

    WriteMounts({{"8:1", "/"}});
    ASSERT_TRUE(home.PumpWhile([&] { return list.Count() != 1; }, 5000));
    EXPECT_EQ(list.Row(0).nState, kSubTaskDone);

    // Plugged in again: only the file the list no longer holds comes back.
    WriteMounts({{"8:1", "/"}, {"8:17", stick_}});
    ASSERT_TRUE(home.PumpWhile([&] { return list.Count() < 2; }, 20000));
    home.PumpWhile([] { return true; }, 3 * kMountPollMs);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_STRNE(list.Row(0).szFilename, list.Row(1).szFilename);

    const auto before = std::chrono::steady_clock::now();
    source.Stop(home);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
}

// What a task pane would be told, in order: "+/a" arrived, "-/a" removed.
class RecordingReceiver : public IVolumeReceiver {
public:
    void OnVolumeArrived(const std::string& mountPoint) override { heard.push_back("+" + mountPoint); }
    void OnVolumeRemoved(const std::string& mountPoint) override { heard.push_back("-" + mountPoint); }
    std::vector<std::string> Take() { return std::exchange(heard, {}); }
    std::vector<std::string> heard;
};

TEST(VolumeRouterTest, EachVolumeGoesToOneRunningTaskAndAStoppedOneHearsNothing)
{
    CVolumeRouter router;
    RecordingReceiver first, second;
    using Heard = std::vector<std::string>;
    router.OnEvents({{true, "/a"}});
    EXPECT_EQ(router.Current(), nullptr) << "no task runs: the disk waits";

    router.Register(&first);
    EXPECT_EQ(first.Take(), Heard{"+/a"}) << "a starting task scans the disks present";
    router.Register(&first);
    EXPECT_EQ(first.Take(), Heard{}) << "registering again hands nothing twice";
    router.Register(&second);
    EXPECT_EQ(second.Take(), Heard{}) << "the first task holds /a";

    router.OnEvents({{true, "/b"}, {false, "/a"}});
    EXPECT_EQ(second.Take(), Heard{"+/b"}) << "arrivals go to the task started last";
    EXPECT_EQ(first.Take(), Heard{"-/a"}) << "a removal goes to the task holding the disk";

    router.Unregister(&second);
    router.OnEvents({{true, "/c"}, {false, "/b"}});
    EXPECT_EQ(first.Take(), Heard{"+/c"}) << "the earlier task still runs and takes over arrivals";
    EXPECT_EQ(second.Take(), Heard{}) << "a stopped task hears nothing, not even of its own disk";

    router.Unregister(&first);
    router.OnEvents({{true, "/d"}});
    router.Register(&second);
    EXPECT_EQ(second.Take(), (Heard{"+/c", "+/d"})) << "disks nobody holds go to the next task to start";
    EXPECT_EQ(first.Take(), Heard{});
}

// Collects the notifier's reports, which come on its own thread.
class EventLog {
public:
    CMountNotifier::EventsFn Sink()
    {
        return [this](std::vector<MountEvent> events) {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (const MountEvent& e : events)
                m_events.push_back((e.arrived ? "+" : "-") + e.mountPoint);
            m_changed.notify_all();
        };
    }
    // Waits up to 10 s for count reports in all, and returns them.
    std::vector<std::string> WaitFor(size_t count)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_events.size() >= count; });
        return m_events;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_events;
};

TEST_F(RemovableSourceTest, NotifierReportsEveryChangeOfAMountTableFileItWatches)
{
    WriteMounts({{"8:1", "/"}, {"8:17", "/media/STICK"}});
    EventLog log;
    CMountNotifier notifier(paths_, log.Sink());
    EXPECT_TRUE(notifier.Watching());
    using Seen = std::vector<std::string>;
    EXPECT_EQ(log.WaitFor(1), Seen{"+/media/STICK"});
    WriteMounts({{"8:1", "/"}, {"8:17", "/media/STICK"}, {"8:32", "/media/CARD"}});
    EXPECT_EQ(log.WaitFor(2), (Seen{"+/media/STICK", "+/media/CARD"}));
    // A table written elsewhere and renamed into place counts as well.
    const std::string written = paths_.mountInfo;
    paths_.mountInfo = home_ + "/mountinfo.new";
    WriteMounts({{"8:1", "/"}, {"8:32", "/media/CARD"}});
    fs::rename(paths_.mountInfo, written);
    EXPECT_EQ(log.WaitFor(3), (Seen{"+/media/STICK", "+/media/CARD", "-/media/STICK"}));
}

std::string MountNamespaceOf(const std::string& pid)
{
    std::error_code error;
    return fs::read_symlink("/proc/" + pid + "/ns/mnt", error).string();
}

// The kernel's own notice: a process in a mount namespace of its own bind-mounts a folder (whose
// device the sysfs tree calls removable) while the notifier watches that process's mount table.
TEST_F(RemovableSourceTest, NotifierHearsTheKernelsNoticeOfAMountInAnotherNamespace)
{
    if (::geteuid() != 0 || ::system("unshare -m true 2>/dev/null") != 0)
        GTEST_SKIP() << "needs a mount namespace of its own (root)";
    const std::string disk = home_ + "/disk", first = home_ + "/first", second = home_ + "/second";
    for (const std::string& dir : {disk, first, second})
        fs::create_directories(dir);
    struct stat info {};
    ASSERT_EQ(::stat(disk.c_str(), &info), 0);
    const std::string device = std::to_string(major(info.st_dev)) + ":" + std::to_string(minor(info.st_dev));
    AddDevice(device, "devices/usb9/sdz", false, "sdz", true);

    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(go[0], 0);
        ::close(go[1]);
        ::execlp("unshare", "unshare", "-m", "--propagation", "private", "sh", "-c",
                 "mount --bind \"$0\" \"$1\" && read x && mount --bind \"$0\" \"$2\" && exec sleep 60", disk.c_str(),
                 first.c_str(), second.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(go[0]);
    const std::string pid = std::to_string(child);
    const auto mounted = [&](const std::string& point) {
        std::ifstream table("/proc/" + pid + "/mountinfo");
        std::stringstream text;
        text << table.rdbuf();
        return MountNamespaceOf(pid) != MountNamespaceOf("self") &&
               text.str().find(" " + point + " ") != std::string::npos;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!mounted(first) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(mounted(first));
    {
        MountTablePaths paths = paths_;
        paths.mountInfo = "/proc/" + pid + "/mountinfo";
        EventLog log;
        CMountNotifier notifier(paths, log.Sink());
        EXPECT_TRUE(notifier.Watching());
        const std::vector<std::string> before = log.WaitFor(1);
        EXPECT_NE(std::find(before.begin(), before.end(), "+" + first), before.end());
        ASSERT_EQ(::write(go[1], "go\n", 3), 3);
        const std::vector<std::string> after = log.WaitFor(before.size() + 1);
        ASSERT_EQ(after.size(), before.size() + 1);
        EXPECT_EQ(after.back(), "+" + second);
    }
    ::close(go[1]);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

}  // namespace
}  // namespace quarvik
