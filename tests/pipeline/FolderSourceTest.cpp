#include "FolderSource.h"
#include "TempHome.h"
#include "TextField.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <vector>

namespace quarvik {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kBig = 20000000;
constexpr int kTargetId = 5;

class FolderSourceTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        watch_ = home_ + "/w";
        ASSERT_TRUE(fs::create_directory(watch_));
        target_.nID = kTargetId;
        target_.nType = kTargetFolder;
        target_.nTimeSpan = 1;
        ASSERT_EQ(CopyField(target_.szPath, watch_), watch_.size());
    }

    // A sparse file of the given size; returns its path.
    std::string MakeFile(const std::string& name, int64_t size)
    {
        const std::string path = watch_ + "/" + name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
        return path;
    }

    CFolderSource MakeSource(FileUseProbe probe)
    {
        return CFolderSource(
            target_, [this](const AcFtpFileItem_t& file) { offered_.push_back(file); }, std::move(probe));
    }

    std::vector<std::string> OfferedPaths() const
    {
        std::vector<std::string> paths;
        for (const AcFtpFileItem_t& file : offered_)
            paths.push_back(file.szUrl);
        return paths;
    }

    static FileUse AlwaysFree(const std::string&) { return FileUse::Free; }
    static FileUse NoLeases(const std::string&) { return FileUse::Unknown; }

    std::string watch_;
    MonObj_t target_{};
    std::vector<AcFtpFileItem_t> offered_;
};

TEST_F(FolderSourceTest, OffersPlainFilesFromTheMinimumSizeAtTheScanAfterTheFirstSighting)
{
    MakeFile("small-5mb.ts", 5000000);
    MakeFile("just-under.ts", kMinFolderFileSize - 1);
    const std::string exact = MakeFile("exact.ts", kMinFolderFileSize);
    const std::string big = MakeFile("big.mxf", kBig);
    ASSERT_TRUE(fs::create_directory(watch_ + "/sub"));
    const int fd = ::open((watch_ + "/sub/inner.ts").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::ftruncate(fd, kBig), 0);
    ::close(fd);
    ASSERT_EQ(::mkfifo((watch_ + "/pipe").c_str(), 0644), 0);

    CFolderSource source = MakeSource(AlwaysFree);
    source.Scan(1000);
    EXPECT_TRUE(offered_.empty());
    ASSERT_NE(source.Find(big), nullptr);
    EXPECT_EQ(source.Find(big)->nState, 0);
    EXPECT_EQ(source.Find(big)->tmLastSeen, 1000);
    EXPECT_EQ(source.Find(watch_ + "/small-5mb.ts"), nullptr);
    EXPECT_TRUE(fs::exists(HomeFile("dir5.db")));

    source.Scan(1001);
    source.Scan(1002);
    std::vector<std::string> paths = OfferedPaths();
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{big, exact}));
    for (const AcFtpFileItem_t& file : offered_) {
        EXPECT_GT(file.nID, 0);
        EXPECT_EQ(file.nState, 1);
        EXPECT_EQ(file.tmLastSeen, 0);
        EXPECT_NE(file.nLastWriteTimeH, 0u);
    }
    EXPECT_EQ(source.Find(big)->llFileSize, kBig);
}

TEST_F(FolderSourceTest, LeaseProbeHoldsBackAFileStillOpenUntilItIsClosed)
{
    const std::string path = MakeFile("growing.ts", kBig);
    if (ProbeFileUse(path) == FileUse::Unknown)
        GTEST_SKIP() << "no leases on this file system";
    EXPECT_EQ(ProbeFileUse(path), FileUse::Free);
    EXPECT_EQ(ProbeFileUse(watch_ + "/missing.ts"), FileUse::Busy);

    CFolderSource source = MakeSource(ProbeFileUse);
    const int writer = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    EXPECT_EQ(ProbeFileUse(path), FileUse::Busy);
    source.Scan(1000);
    source.Scan(1001);
    ASSERT_EQ(::ftruncate(writer, 2 * kBig), 0);
    source.Scan(1002);
    EXPECT_TRUE(offered_.empty());
    ASSERT_NE(source.Find(path), nullptr);
    EXPECT_EQ(source.Find(path)->nState, 0);
    EXPECT_EQ(source.Find(path)->tmLastSeen, 1002);
    EXPECT_EQ(source.Find(path)->llLastSize, 2 * kBig);

    ::close(writer);
    source.Scan(1003);
    ASSERT_EQ(OfferedPaths(), std::vector<std::string>{path});
    EXPECT_EQ(offered_[0].llFileSize, 2 * kBig);  // the finished size, not the first one seen
}

TEST_F(FolderSourceTest, WithoutLeasesAFileMustKeepSizeAndWriteTimeForOneInterval)
{
    const std::string grows = MakeFile("grows.ts", kBig);
    const std::string touched = MakeFile("touched.ts", kBig);
    CFolderSource source = MakeSource(NoLeases);
    source.Scan(1000);

    ASSERT_EQ(::truncate(grows.c_str(), kBig + 1), 0);
    const timespec times[2] = {{0, UTIME_OMIT}, {12345, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, touched.c_str(), times, 0), 0);
    source.Scan(1001);
    EXPECT_TRUE(offered_.empty());

    source.Scan(1002);
    std::map<std::string, int64_t> sizes;
    for (const AcFtpFileItem_t& file : offered_)
        sizes[file.szUrl] = file.llFileSize;
    EXPECT_EQ(sizes, (std::map<std::string, int64_t>{{grows, kBig + 1}, {touched, kBig}}));
}

TEST_F(FolderSourceTest, AFileWrittenInAppendsIsTakenWhenItStopsChangingAndAgainWhenItChanges)
{
    // The writer closes the file between appends: no one has it open at any scan.
    const std::string path = MakeFile("appended.ts", kBig);
    {
        CFolderSource source = MakeSource(AlwaysFree);
        source.Scan(1000);
        ASSERT_EQ(::truncate(path.c_str(), kBig + 1048576), 0);
        source.Scan(1001);
        EXPECT_TRUE(offered_.empty()) << "taken while it still grew";
        source.Scan(1002);
        ASSERT_EQ(OfferedPaths(), std::vector<std::string>{path});
        EXPECT_EQ(offered_[0].llFileSize, kBig + 1048576);

        // Appended to after its check: offered again once it is still again.
        ASSERT_EQ(::truncate(path.c_str(), kBig + 2 * 1048576), 0);
        source.Scan(1003);
        EXPECT_EQ(offered_.size(), 1u);
        source.Scan(1004);
        ASSERT_EQ(offered_.size(), 2u);
        EXPECT_EQ(offered_[1].llFileSize, kBig + 2 * 1048576);
        source.Scan(1005);
        EXPECT_EQ(offered_.size(), 2u);
    }
    // A restart knows the file as it was handed on last.
    CFolderSource restarted = MakeSource(AlwaysFree);
    restarted.Scan(2000);
    restarted.Scan(2001);
    EXPECT_EQ(offered_.size(), 2u);
}

TEST_F(FolderSourceTest, RestartOffersWaitingFilesButNeverOneAlreadyHandedOn)
{
    const std::string done = MakeFile("done.ts", kBig);
    const std::string waiting = MakeFile("waiting.ts", kBig);
    {
        CFolderSource first = MakeSource([&](const std::string& path) {
            return path == waiting ? FileUse::Busy : FileUse::Free;
        });
        first.Scan(1000);
        first.Scan(1001);
        ASSERT_EQ(OfferedPaths(), std::vector<std::string>{done});
    }
    offered_.clear();
    CFolderSource second = MakeSource(AlwaysFree);
    second.Scan(2000);
    second.Scan(2001);
    EXPECT_EQ(OfferedPaths(), std::vector<std::string>{waiting});
    EXPECT_EQ(second.Find(done)->nState, 1);
}

TEST_F(FolderSourceTest, TwoSourcesSharingTheListDoNotMakeARestartOfferTheFileAgain)
{
    // Both load the still empty list, then each records the file in a row of its own.
    CFolderSource waits = MakeSource([](const std::string&) { return FileUse::Busy; });
    CFolderSource takes = MakeSource(AlwaysFree);
    waits.Scan(1000);
    takes.Scan(1000);
    const std::string path = MakeFile("a.ts", kBig);
    waits.Scan(1001);
    takes.Scan(1001);
    waits.Scan(1002);
    takes.Scan(1002);
    ASSERT_EQ(OfferedPaths(), std::vector<std::string>{path});

    offered_.clear();
    CFolderSource restarted = MakeSource(AlwaysFree);
    restarted.Scan(2000);
    EXPECT_TRUE(offered_.empty());
}

TEST_F(FolderSourceTest, UnavailableListRecordsAndHandsOnNothingUntilItIsBack)
{
    const std::string path = MakeFile("a.ts", kBig);
    const std::string list = HomeFile("dir5.db");
    const std::string aside = HomeFile("aside.db");
    CFolderSource source = MakeSource(AlwaysFree);

    // A list that cannot be opened must not make every file look new: nothing is scanned.
    ASSERT_TRUE(fs::create_directory(list));
    source.Scan(1000);
    EXPECT_EQ(source.Find(path), nullptr);
    fs::remove(list);
    source.Scan(1001);
    ASSERT_NE(source.Find(path), nullptr);

    // A failed mark keeps the file waiting instead of checking it now and again after a restart.
    fs::rename(list, aside);
    ASSERT_TRUE(fs::create_directory(list));
    source.Scan(1002);
    EXPECT_TRUE(offered_.empty());
    EXPECT_EQ(source.Find(path)->nState, 0);
    fs::remove(list);
    fs::rename(aside, list);
    source.Scan(1003);
    EXPECT_EQ(OfferedPaths(), std::vector<std::string>{path});

    offered_.clear();
    CFolderSource restarted = MakeSource(AlwaysFree);
    restarted.Scan(2000);
    restarted.Scan(2001);
    EXPECT_TRUE(offered_.empty());
}

TEST_F(FolderSourceTest, ThreadHandsOnThroughTheHomeThreadAndStopsDuringItsLongWait)
{
    const std::string path = MakeFile("a.ts", kBig);
    MakeSource(AlwaysFree).Scan(1000);  // recorded earlier, so the thread's first scan offers it

    // An hour between scans: if a stop had to wait out the interval, this test would time out.
    target_.nTimeSpan = 3600;
    CEventLoop home;
    std::vector<std::string> received;
    CFolderSource source(
        target_,
        [&](const AcFtpFileItem_t& file) {
            home.Send([&] {
                received.push_back(file.szUrl);
                home.Quit();
            });
        },
        AlwaysFree);
    CWorkerThread thread;
    ASSERT_TRUE(thread.Start([&](CWorkerThread& self) { source.Run(self); }));
    EXPECT_TRUE(home.Run(30000));
    thread.Stop(home);
    EXPECT_FALSE(thread.Running());
    EXPECT_EQ(received, std::vector<std::string>{path});
}

}  // namespace
}  // namespace quarvik
