#include "RemovableSource.h"
#include "SqliteDb.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>

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

}  // namespace
}  // namespace quarvik
