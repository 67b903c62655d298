#include "Profile.h"
#include "TempHome.h"

#include <fstream>
#include <sstream>

namespace quarvik {
namespace {

class ProfileTest : public TempHomeTest {
protected:
    void Write(const std::string& text) { std::ofstream(Path(), std::ios::binary) << text; }
    std::string Read()
    {
        std::ifstream in(Path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string Path() const { return HomeFile("test.ini"); }
};

TEST_F(ProfileTest, MissingFileSectionOrKeyGivesTheDefault)
{
    EXPECT_EQ(GetPrivateProfileString("General", "CachePath", "dflt", Path()), "dflt");
    EXPECT_EQ(GetPrivateProfileInt("General", "CacheMinSpace", 5, Path()), 5);
    Write("[General]\nOther=1\nEmpty=\n");
    EXPECT_EQ(GetPrivateProfileInt("General", "CacheMinSpace", 5, Path()), 5);
    EXPECT_EQ(GetPrivateProfileInt("Result", "Other", 9, Path()), 9);
    EXPECT_EQ(GetPrivateProfileInt("General", "Empty", 9, Path()), 9);
}

TEST_F(ProfileTest, IntegerKeysReadTheirLeadingDigits)
{
    struct Case {
        const char* text;
        int32_t value;
    } cases[] = {
        {"12", 12}, {"12abc", 12}, {"abc", 0}, {"-7", -7}, {"+3", 3}, {" 42 ", 42}, {"3.9", 3}, {"0x10", 0},
        {"99999999999", INT32_MAX},
    };
    for (const Case& c : cases) {
        Write(std::string("[S]\nk=") + c.text + "\n");
        EXPECT_EQ(GetPrivateProfileInt("S", "k", 99, Path()), c.value) << c.text;
    }
}

TEST_F(ProfileTest, NamesMatchWithoutCaseAndValuesLoseBlanksAndQuotes)
{
    Write("; comment\r\n[ general ]\r\n  cachepath = \"/srv/cache\" \r\nkey=a=b\r\nkey=second\r\n");
    EXPECT_EQ(GetPrivateProfileString("General", "CachePath", "", Path()), "/srv/cache");
    EXPECT_EQ(GetPrivateProfileString("GENERAL", "KEY", "", Path()), "a=b");  // first of duplicates
}

TEST_F(ProfileTest, WritingOneKeyKeepsEveryOtherLine)
{
    const std::string before = "; settings\n[General]\nEnAlertLight=1\nCachePath=/old\n\n[Result]\nDbUser=sa\n";
    Write(before);
    ASSERT_TRUE(WritePrivateProfileString("general", "cachepath", "/new cache", Path()));
    EXPECT_EQ(Read(), "; settings\n[General]\nEnAlertLight=1\ncachepath=/new cache\n\n[Result]\nDbUser=sa\n");
    ASSERT_TRUE(WritePrivateProfileString("General", "CacheMinSpace", "7", Path()));
    EXPECT_EQ(Read(),
              "; settings\n[General]\nEnAlertLight=1\ncachepath=/new cache\nCacheMinSpace=7\n\n[Result]\nDbUser=sa\n");
    ASSERT_TRUE(WritePrivateProfileString("View", "LeftWidth", "300", Path()));
    EXPECT_EQ(GetPrivateProfileInt("View", "LeftWidth", 0, Path()), 300);
    EXPECT_EQ(GetPrivateProfileString("Result", "DbUser", "", Path()), "sa");
    EXPECT_EQ(GetPrivateProfileInt("General", "CacheMinSpace", 0, Path()), 7);
}

TEST_F(ProfileTest, FirstWriteCreatesTheFileAndUnstorableInputIsRefused)
{
    ASSERT_TRUE(WritePrivateProfileString("General", "EnAlertLight", "0", Path()));
    EXPECT_EQ(Read(), "[General]\nEnAlertLight=0\n");
    EXPECT_FALSE(WritePrivateProfileString("General", "k", "two\nlines", Path()));
    EXPECT_FALSE(WritePrivateProfileString("General", "a=b", "v", Path()));
    EXPECT_FALSE(WritePrivateProfileString("", "k", "v", Path()));
    EXPECT_FALSE(WritePrivateProfileString("General", "k", "v", HomeFile("missing/test.ini")));
    EXPECT_EQ(Read(), "[General]\nEnAlertLight=0\n");
}

TEST_F(ProfileTest, StorableValuesReadBackAsWritten)
{
    EXPECT_TRUE(IsStorableProfileValue("a b"));
    EXPECT_TRUE(IsStorableProfileValue("\"a"));
    EXPECT_FALSE(IsStorableProfileValue(" a"));
    EXPECT_FALSE(IsStorableProfileValue("'a'"));
    EXPECT_FALSE(IsStorableProfileValue("a\r"));
}

}  // namespace
}  // namespace quarvik
