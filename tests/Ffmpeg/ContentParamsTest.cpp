#include "ContentParams.h"
#include "FaultKinds.h"
#include "FFCheck.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace quarvik {
namespace {

class ContentParamsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quarvik-params-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_folder = pattern;
        m_path = m_folder + "/ave.dat";
    }
    void TearDown() override { std::system(("rm -rf '" + m_folder + "'").c_str()); }

    std::vector<unsigned char> ReadBytes() const
    {
        std::ifstream in(m_path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void WriteBytes(const std::vector<unsigned char>& bytes) const
    {
        std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    static uint32_t Word(const std::vector<unsigned char>& b, size_t at)
    {
        return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
    }
    static void SetWord(std::vector<unsigned char>& b, size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<unsigned char>(v >> (8 * i));
    }
    static void FixChecksum(std::vector<unsigned char>& b)
    {
        uint32_t sum = 0;
        for (size_t i = 0; i < 644; ++i)
            sum += b[i];
        SetWord(b, 644, sum);
    }

    std::string m_folder, m_path;
};

TEST_F(ContentParamsTest, DefaultTableMatchesTheFactorySettings)
{
    ContentParam_t t[kContentParamCount];
    SetDefaultContentParams(t);
    struct Row { int code, enable, duration, t1, t2; };
    const Row rows[] = {{0, 1, 1, 0, 0},       {1, 1, 75, 5, 99},      {2, 1, 1, 5, 97},
                        {3, 1, 1, 10, 80},     {4, 1, 5, 5, 95},       {5, 1, 1, 5, 95},
                        {16, 1, 750, -99, -60}, {17, 1, 1500, -60, -38}, {18, 1, 25, -9, 0},
                        {19, 0, 750, -99, -60}, {20, 0, 1500, -60, -38}, {21, 0, 25, -9, 0},
                        {6, 1, 1, 20, 25},      {7, 1, 1, 20, 25},      {8, 1, 13, 20, 25},
                        {9, 1, 1, -5, 103},     {10, 1, 1, -5, 105},    {12, 1, 1, 0, 0},
                        {13, 0, 0, 0, 0},
                        {22, 1, 750, -99, -60}, {23, 1, 1500, -60, -38}, {24, 1, 25, -9, 0},
                        {31, 0, 0, 0, 0}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.code);
        EXPECT_EQ(t[r.code].nFault, r.code);
        EXPECT_EQ(t[r.code].nEnable, r.enable);
        EXPECT_EQ(t[r.code].nDuration, r.duration);
        EXPECT_EQ(t[r.code].nThreshold1, r.t1);
        EXPECT_EQ(t[r.code].nThreshold2, r.t2);
    }
}

TEST_F(ContentParamsTest, AFileFromBeforeTheOtherChannelsGetsTheirDefaults)
{
    // Records 22-24 all zero, as every earlier file holds them; an operator's choice (a
    // duration of at least 1) is kept.
    ContentParam_t t[kContentParamCount];
    SetDefaultContentParams(t);
    for (int code : {22, 23, 24})
        t[code] = {0, code, 0, 0, 0};
    t[24] = {0, 24, 50, -6, 0};
    ASSERT_TRUE(SaveContentParams(t, m_path));
    ContentParam_t loaded[kContentParamCount];
    ASSERT_TRUE(ReadContentParamsFile(m_path, loaded));
    EXPECT_EQ(loaded[22].nEnable, 1);
    EXPECT_EQ(loaded[22].nDuration, 750);
    EXPECT_EQ(loaded[23].nThreshold2, -38);
    EXPECT_EQ(loaded[24].nEnable, 0);
    EXPECT_EQ(loaded[24].nDuration, 50);
}

TEST_F(ContentParamsTest, SavedFileHasTheFixedLayout)
{
    ContentParam_t t[kContentParamCount];
    SetDefaultContentParams(t);
    t[16].nThreshold1 = -99;
    ASSERT_TRUE(SaveContentParams(t, m_path));
    const std::vector<unsigned char> b = ReadBytes();
    ASSERT_EQ(b.size(), 648u);
    EXPECT_EQ(Word(b, 0), 0x20120504u);
    // Record 16 at 4 + 16 * 20: enable, fault, duration, threshold1, threshold2.
    EXPECT_EQ(Word(b, 324), 1u);
    EXPECT_EQ(Word(b, 328), 16u);
    EXPECT_EQ(Word(b, 332), 750u);
    EXPECT_EQ(static_cast<int32_t>(Word(b, 336)), -99);
    uint32_t sum = 0;
    for (size_t i = 0; i < 644; ++i)
        sum += b[i];
    EXPECT_EQ(Word(b, 644), sum);

    ContentParam_t back[kContentParamCount];
    ASSERT_TRUE(ReadContentParamsFile(m_path, back));
    EXPECT_EQ(std::memcmp(back, t, sizeof(t)), 0);
}

TEST_F(ContentParamsTest, DamagedFilesGiveTheDefaults)
{
    ContentParam_t saved[kContentParamCount], defaults[kContentParamCount];
    SetDefaultContentParams(defaults);
    SetDefaultContentParams(saved);
    saved[2].nThreshold1 = 40;
    ASSERT_TRUE(SaveContentParams(saved, m_path));
    const std::vector<unsigned char> good = ReadBytes();

    std::vector<unsigned char> shortFile(good.begin(), good.begin() + 647);
    std::vector<unsigned char> badMagic = good;
    badMagic[0] ^= 1;
    FixChecksum(badMagic);
    std::vector<unsigned char> badSum = good;
    badSum[100] ^= 0x10;
    for (const auto* bytes : {&shortFile, &badMagic, &badSum}) {
        WriteBytes(*bytes);
        ContentParam_t t[kContentParamCount];
        EXPECT_FALSE(ReadContentParamsFile(m_path, t));
        ASSERT_TRUE(LoadContentParams(t, m_path));
        EXPECT_EQ(std::memcmp(t, defaults, sizeof(t)), 0);
        EXPECT_EQ(ReadBytes(), *bytes) << "loading must not rewrite the file";
    }
    std::remove(m_path.c_str());
    ContentParam_t t[kContentParamCount];
    ASSERT_TRUE(LoadContentParams(t, m_path));
    EXPECT_EQ(std::memcmp(t, defaults, sizeof(t)), 0);
}

TEST_F(ContentParamsTest, TrailingBytesAreIgnoredAndScrambledCodesRestoredByTheEngine)
{
    ContentParam_t saved[kContentParamCount];
    SetDefaultContentParams(saved);
    saved[2].nThreshold1 = 40;
    ASSERT_TRUE(SaveContentParams(saved, m_path));
    std::vector<unsigned char> b = ReadBytes();
    SetWord(b, 4 + 2 * 20 + 4, 77);  // nFault of record 2
    FixChecksum(b);
    b.insert(b.end(), {1, 2, 3});
    WriteBytes(b);

    ContentParam_t t[kContentParamCount];
    ASSERT_TRUE(ReadContentParamsFile(m_path, t));
    EXPECT_EQ(t[2].nFault, 77);
    EXPECT_EQ(t[2].nThreshold1, 40);
    CFFCheck engine(m_path);
    EXPECT_EQ(engine.Params()[2].nFault, 2);
    EXPECT_EQ(engine.Params()[2].nThreshold1, 40);
}

TEST_F(ContentParamsTest, AFileFromBeforeTheKindsOfOurOwnStartsThemWithTheirDefaults)
{
    ContentParam_t old[kContentParamCount];
    SetDefaultContentParams(old);
    for (int code = 6; code <= 15; ++code)
        old[code] = {0, code, 0, 0, 0};  // as the text's defaults left them
    old[kFaultPattern] = {0, kFaultPattern, 25, 30, 40};  // switched off on the options page
    old[kFaultBlack].nEnable = 0;
    ASSERT_TRUE(SaveContentParams(old, m_path));

    ContentParam_t t[kContentParamCount];
    ASSERT_TRUE(LoadContentParams(t, m_path));
    EXPECT_EQ(t[kFaultFlash].nEnable, 1);
    EXPECT_EQ(t[kFaultFlash].nThreshold1, 20);
    EXPECT_EQ(t[kFaultGamutLevel].nThreshold2, 105);
    EXPECT_EQ(t[kFaultPattern].nEnable, 0) << "a record the page wrote stays as it is";
    EXPECT_EQ(t[kFaultPattern].nDuration, 25);
    EXPECT_EQ(t[kFaultBlack].nEnable, 0);
    EXPECT_EQ(t[kFaultFlashWarning].nEnable, 1);
    EXPECT_EQ(t[13].nDuration, 0) << "a code without a kind stays empty";
}

TEST_F(ContentParamsTest, FailedSaveIsReportedAndKeepsTheOldFile)
{
    ContentParam_t t[kContentParamCount];
    SetDefaultContentParams(t);
    EXPECT_FALSE(SaveContentParams(t, m_folder + "/missing/ave.dat"));

    ASSERT_TRUE(SaveContentParams(t, m_path));
    const std::vector<unsigned char> before = ReadBytes();
    // A full disk: the bytes cannot be written, the old file stays whole.
    if (access("/dev/full", W_OK) == 0) {
        std::string linked = m_folder + "/full.dat";
        ASSERT_EQ(symlink("/dev/full", (linked + ".tmp").c_str()), 0);
        EXPECT_FALSE(SaveContentParams(t, linked));
    }
    EXPECT_EQ(ReadBytes(), before);
}

}  // namespace
}  // namespace quarvik
