#include "CacheFolder.h"
#include "Settings.h"
#include "TempHome.h"

#include <sys/stat.h>
#include <utime.h>

#include <filesystem>
#include <fstream>

namespace quarvik {
namespace {

constexpr uint64_t kGiB = uint64_t(1) << 30;

class CacheFolderTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        cache_ = home_ + "/cache";
        std::filesystem::create_directory(cache_);
        ASSERT_TRUE(WriteSetting(kCachePath, cache_));
    }

    // A cache file last written `age` hours ago; name may lead through sub-folders.
    void AddFile(const std::string& name, int age)
    {
        std::string path = cache_ + "/" + name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path) << name;
        struct utimbuf times{};
        times.modtime = times.actime = 1700000000 - age * 3600;
        ASSERT_EQ(utime(path.c_str(), &times), 0);
    }

    bool Exists(const std::string& name) const { return std::filesystem::exists(cache_ + "/" + name); }

    // Free space that starts at `startGiB` and grows by one GiB for every file deleted.
    FreeSpaceQuery GrowsWithDeletions(uint64_t startGiB)
    {
        size_t initial = FileCount();
        return [this, startGiB, initial](const std::string& path, uint64_t& freeBytes) {
            EXPECT_EQ(path, cache_);
            freeBytes = (startGiB + (initial - FileCount())) * kGiB;
            return true;
        };
    }

    size_t FileCount() const
    {
        size_t n = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(cache_))
            n += entry.is_regular_file() ? 1 : 0;
        return n;
    }

    std::string cache_;
};

TEST_F(CacheFolderTest, RoomMeansMoreWholeGibibytesThanTheMinimum)
{
    struct Case {
        uint64_t freeBytes;
        int minimum;
        bool room;
    } cases[] = {
        {6 * kGiB, 5, true},      {5 * kGiB, 5, false},     {6 * kGiB - 1, 5, false},
        {0, 0, true},             {0, -1, true},            {2 * kGiB, 1, true},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteSetting(kCacheMinSpace, c.minimum));
        auto query = [&c](const std::string&, uint64_t& freeBytes) {
            freeBytes = c.freeBytes;
            return true;
        };
        EXPECT_EQ(HasRoom(cache_, query), c.room) << c.freeBytes << " " << c.minimum;
    }
    ASSERT_TRUE(WriteSetting(kCacheMinSpace, 5));
    EXPECT_TRUE(HasRoom(cache_, [](const std::string&, uint64_t&) { return false; }));  // unknown counts as room
    uint64_t real = 0;
    EXPECT_TRUE(StatvfsFreeSpace(cache_, real));
    EXPECT_FALSE(StatvfsFreeSpace(cache_ + "/missing", real));
}

TEST_F(CacheFolderTest, DeletesOldestFilesUntilThereIsRoom)
{
    AddFile("new.tmp", 1);
    AddFile("oldest.tmp", 30);
    AddFile("older.tmp", 20);
    AddFile("it's.tmp", 10);
    MakeRoom(GrowsWithDeletions(4));  // default minimum 5: needs two deletions to reach 6 GiB
    EXPECT_FALSE(Exists("oldest.tmp"));
    EXPECT_FALSE(Exists("older.tmp"));
    EXPECT_TRUE(Exists("it's.tmp"));
    EXPECT_TRUE(Exists("new.tmp"));
}

TEST_F(CacheFolderTest, DeletesNothingWhenCleaningIsOffOrImpossible)
{
    AddFile("a.tmp", 2);
    AddFile("b.tmp", 1);
    auto none = [](const std::string&, uint64_t& freeBytes) {
        freeBytes = 0;
        return true;
    };
    ASSERT_TRUE(WriteSetting(kCacheMinSpace, 0));
    MakeRoom(none);
    EXPECT_EQ(FileCount(), 2u);

    ASSERT_TRUE(WriteSetting(kCacheMinSpace, 5));
    MakeRoom([](const std::string&, uint64_t&) { return false; });
    EXPECT_EQ(FileCount(), 2u);

    ASSERT_TRUE(WriteSetting(kCachePath, ""));
    MakeRoom(none);
    EXPECT_EQ(FileCount(), 2u);

    ASSERT_TRUE(WriteSetting(kCachePath, cache_ + "/missing"));
    MakeRoom(none);
    EXPECT_EQ(FileCount(), 2u);
}

TEST_F(CacheFolderTest, WholeDownloadsInSubFoldersAreCleanedOldestFirstFoldersStay)
{
    AddFile("task1/in/old.mxf", 40);
    AddFile("task2/in/deep/older.mxf", 50);
    AddFile("task2/in/open.mxf", 60);
    AddFile("2.tmp", 30);
    AddFile("task1/in/new.mxf", 1);
    std::ofstream writer(cache_ + "/task2/in/open.mxf", std::ios::app);
    ASSERT_TRUE(writer.is_open());
    std::filesystem::create_directory(cache_ + "/empty");
    MakeRoom(GrowsWithDeletions(3));  // three deletions to reach 6 GiB; the open file stays
    EXPECT_TRUE(Exists("task2/in/open.mxf"));
    EXPECT_FALSE(Exists("task2/in/deep/older.mxf"));
    EXPECT_FALSE(Exists("task1/in/old.mxf"));
    EXPECT_FALSE(Exists("2.tmp"));
    EXPECT_TRUE(Exists("task1/in/new.mxf"));
    EXPECT_TRUE(Exists("task2/in/deep"));
    EXPECT_TRUE(Exists("empty"));
}

TEST_F(CacheFolderTest, LinksLeadNowhereOutsideTheCache)
{
    const std::string outside = home_ + "/outside";
    std::filesystem::create_directory(outside);
    std::ofstream(outside + "/precious.mxf") << "x";
    std::filesystem::create_directory_symlink(outside, cache_ + "/linked");
    std::filesystem::create_symlink(outside + "/precious.mxf", cache_ + "/link.mxf");
    MakeRoom([](const std::string&, uint64_t& freeBytes) {
        freeBytes = 0;
        return true;
    });
    EXPECT_TRUE(std::filesystem::exists(outside + "/precious.mxf"));
    EXPECT_TRUE(std::filesystem::is_symlink(cache_ + "/link.mxf"));
}

TEST_F(CacheFolderTest, OpenFilesArePassedOver)
{
    AddFile("downloading.tmp", 30);
    AddFile("old.tmp", 20);
    AddFile("new.tmp", 1);
    std::ofstream writer(cache_ + "/downloading.tmp", std::ios::app);
    ASSERT_TRUE(writer.is_open());
    MakeRoom(GrowsWithDeletions(5));
    EXPECT_TRUE(Exists("downloading.tmp"));
    EXPECT_FALSE(Exists("old.tmp"));
    EXPECT_TRUE(Exists("new.tmp"));
}

TEST_F(CacheFolderTest, NeededFilesStayAndAShortageIsSaidOnce)
{
    AddFile("task1/in/waiting.mxf", 30);
    AddFile("1.tmp", 20);
    AddFile("old.tmp", 10);
    const int owner = 0;
    // Named as the sub-tasks hold them, not necessarily as the folder is listed.
    PublishNeededCacheFiles(&owner, {cache_ + "/task1/in/waiting.mxf", cache_ + "//1.tmp"});
    std::string shortage;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(MakeRoom(GrowsWithDeletions(3), &shortage));  // three deletions needed, one allowed
    EXPECT_FALSE(MakeRoom(GrowsWithDeletions(3)));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(Exists("task1/in/waiting.mxf"));
    EXPECT_TRUE(Exists("1.tmp"));
    EXPECT_FALSE(Exists("old.tmp"));
    EXPECT_NE(shortage.find(cache_), std::string::npos) << shortage;
    EXPECT_NE(said.find("nothing more may be deleted: 2 files"), std::string::npos) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << "one line, not one per call: " << said;

    PublishNeededCacheFiles(&owner, {});
    shortage.clear();
    EXPECT_TRUE(MakeRoom(GrowsWithDeletions(4), &shortage));
    EXPECT_TRUE(shortage.empty());
    EXPECT_FALSE(Exists("task1/in/waiting.mxf"));
}

}  // namespace
}  // namespace quarvik
