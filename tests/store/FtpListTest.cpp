#include "FtpListReader.h"
#include "SqliteDb.h"
#include "TempHome.h"

#include <filesystem>

namespace quarvik {
namespace {

using FtpListTest = TempHomeTest;

TEST_F(FtpListTest, FilesRoundTripWithUnsignedTimeHalvesAndStates)
{
    int first = 0, second = 0;
    {
        CSqliteDb db;
        ASSERT_TRUE(db.OpenFtpList("dir5"));
        ASSERT_TRUE(db.AddFtpFile("ftp://host/it's 新闻.ts", 30000000000LL, first, 0xFFFFFFFFu, 0x01D9ABCDu));
        ASSERT_TRUE(db.AddFtpFile("/watch/b.mxf", 20000000, second, 1, 2));
        ASSERT_TRUE(db.SetFtpFileState(second, 1));
    }
    EXPECT_TRUE(std::filesystem::exists(HomeFile("dir5.db")));
    CSqliteDb db;
    ASSERT_TRUE(db.OpenFtpList("dir5"));
    std::vector<AcFtpFileItem_t> items = LoadFtpFileList(db, 1700000000);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].nID, first);
    EXPECT_STREQ(items[0].szUrl, "ftp://host/it's 新闻.ts");
    EXPECT_EQ(items[0].llFileSize, 30000000000LL);
    EXPECT_EQ(items[0].nLastWriteTimeL, 0xFFFFFFFFu);
    EXPECT_EQ(items[0].nLastWriteTimeH, 0x01D9ABCDu);
    EXPECT_EQ(items[0].nState, 0);
    EXPECT_EQ(items[0].tmLastSeen, 1700000000);
    EXPECT_EQ(items[0].llLastSize, 30000000000LL);
    EXPECT_EQ(items[1].nState, 1);
}

TEST_F(FtpListTest, RemovedListStartsEmptyAndUnopenedListLoadsNothing)
{
    {
        CSqliteDb db;
        int id = 0;
        ASSERT_TRUE(db.OpenFtpList("ftp3"));
        ASSERT_TRUE(db.AddFtpFile("a", 1, id, 0, 0));
    }
    std::filesystem::remove(HomeFile("ftp3.db"));
    CSqliteDb db;
    ASSERT_TRUE(db.OpenFtpList("ftp3"));
    EXPECT_TRUE(LoadFtpFileList(db, 0).empty());
    CSqliteDb closed;
    EXPECT_TRUE(LoadFtpFileList(closed, 0).empty());
    int id = 0;
    EXPECT_FALSE(closed.AddFtpFile("a", 1, id, 0, 0));
}

}  // namespace
}  // namespace quarvik
