#include "Profile.h"
#include "Settings.h"
#include "TempHome.h"

#include <fstream>
#include <sstream>

namespace quarvik {
namespace {

using SettingsTest = TempHomeTest;

TEST_F(SettingsTest, NoSettingsFileGivesTheDefaults)
{
    EXPECT_EQ(ReadSetting(kEnAlertLight), 1);
    EXPECT_EQ(ReadSetting(kCacheMinSpace), 5);
    EXPECT_EQ(ReadSetting(kEnConvert), 0);
    EXPECT_EQ(ReadSetting(kPlayoutSystem), 0);
    EXPECT_EQ(ReadSetting(kCachePath), "");
    EXPECT_EQ(ReadSetting(kDbServer), "");
    EXPECT_EQ(ReadDbPass(), "");
    EXPECT_EQ(ReadLeftWidth(1001), 300);
}

TEST_F(SettingsTest, ValuesAreReadAtTheMomentOfUse)
{
    ASSERT_TRUE(WriteSetting(kEnAlertLight, 1 - ReadSetting(kEnAlertLight)));
    EXPECT_EQ(ReadSetting(kEnAlertLight), 0);
    ASSERT_TRUE(WriteSetting(kEnAlertLight, 1 - ReadSetting(kEnAlertLight)));
    EXPECT_EQ(ReadSetting(kEnAlertLight), 1);
    ASSERT_TRUE(WriteSetting(kCachePath, "/srv/缓存"));
    EXPECT_EQ(ReadSetting(kCachePath), "/srv/缓存");
    EXPECT_EQ(GetPrivateProfileString("General", "CachePath", "", HomeFile("Quarvik.ini")), "/srv/缓存");
    ASSERT_TRUE(WriteLeftWidth(420));
    EXPECT_EQ(ReadLeftWidth(1000), 420);
    EXPECT_EQ(GetPrivateProfileString("View", "LeftWidth", "", HomeFile("system.ini")), "420");
    EXPECT_EQ(ReadLastFolder(), "");
    ASSERT_TRUE(WriteLastFolder("/srv/素材 'a'"));
    EXPECT_EQ(ReadLastFolder(), "/srv/素材 'a'");
    EXPECT_EQ(ReadLeftWidth(1000), 420) << "the layout keeps its other keys";
    EXPECT_FALSE(WriteLastFolder("/srv/a\nb"));
    EXPECT_EQ(ReadLastFolder(), "/srv/素材 'a'");    EXPECT_EQ(ReadResultColumnWidth(2, 100), 100);
    ASSERT_TRUE(WriteResultColumnWidth(2, 260));
    EXPECT_EQ(GetPrivateProfileString("View", "ResultColumn2", "", HomeFile("system.ini")), "260");
    EXPECT_EQ(ReadResultColumnWidth(2, 100), 260);
    EXPECT_EQ(ReadResultColumnWidth(3, 100), 100);
}

TEST_F(SettingsTest, DbPassIsStoredAsComplementedBytes)
{
    ASSERT_TRUE(WriteDbPass("abc"));
    std::ifstream in(HomeFile("Quarvik.ini"), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "[Result]\nDbPass=\x9e\x9d\x9c\n");  // 158 157 156
    EXPECT_EQ(ReadDbPass(), "abc");
    ASSERT_TRUE(WriteDbPass("pa ss'w=\"ord 密码"));
    EXPECT_EQ(ReadDbPass(), "pa ss'w=\"ord 密码");
}

TEST_F(SettingsTest, UnstorablePasswordsAreRefusedAndKeepTheOldOne)
{
    ASSERT_TRUE(WriteDbPass("old"));
    EXPECT_FALSE(WriteDbPass("a\xff"));                          // would end the text early
    EXPECT_FALSE(WriteDbPass("a\xf5"));                          // would break the line
    EXPECT_FALSE(WriteDbPass(std::string(kMaxDbPassLength + 1, 'x')));
    EXPECT_EQ(ReadDbPass(), "old");
    EXPECT_TRUE(WriteDbPass(std::string(kMaxDbPassLength, 'x')));
}

TEST_F(SettingsTest, CacheFolderCheck)
{
    EXPECT_EQ(CacheFolderInvalidText("/x"), "缓存文件夹'/x':未设置或者无效!\n\n点击\"确定\"按钮设置缓存文件夹.");
    EXPECT_TRUE(IsExistingFolder(home_));
    EXPECT_FALSE(IsExistingFolder(""));
    EXPECT_FALSE(IsExistingFolder(home_ + "/missing"));
}

}  // namespace
}  // namespace quarvik
