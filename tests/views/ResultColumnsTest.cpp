#include "ResultColumns.h"

#include "TextField.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace quarvik {
namespace {

TEST(FormatIconOf, VerdictToIcon)
{
    EXPECT_EQ(FormatIconOf(kFormatNotChecked), kFormatIconBlank);
    EXPECT_EQ(FormatIconOf(kFormatInvalid), kFormatIconInvalid);
    EXPECT_EQ(FormatIconOf(kFormatValid), kFormatIconValid);
    EXPECT_EQ(FormatIconOf(7), kFormatIconValid);
}

class HistoryRow : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TZ", "UTC", 1);
        tzset();
    }
};

TEST_F(HistoryRow, TextsInColumnOrder)
{
    ResultInfo_t r{};
    r.tmBegin = 1700000000;  // 2023-11-14 22:13:20 UTC
    r.tmEnd = 1700000060;
    CopyField(r.szFilename, "ftp://a:b@srv/x.ts");
    CopyField(r.szName, "x.ts");
    r.nFmtError = kFormatValid;
    r.nSFCount = 1, r.nBBCount = 2, r.nCFCount = 3, r.nCBCount = 4, r.nMSCCount = 5;
    r.nNA1Count = 6, r.nAL1Count = 7, r.nAH1Count = 8, r.nNA2Count = 9, r.nAL2Count = 10, r.nAH2Count = 11;
    r.nNVCount = 12;
    r.nNA3Count = 13, r.nAL3Count = 14, r.nAH3Count = 15;  // every other channel
    r.nNA4Count = 99, r.nAH4Count = 99;  // no column shows the fourth channel's
    const int32_t ownKinds[] = {kFaultFlash,      kFaultRedFlash,    kFaultPattern,     kFaultLumaLevel,
                                kFaultGamutLevel, kFaultDecodeError, kFaultFlashWarning};
    for (int i = 0; i < 7; ++i)
        r.nKindCounts[ownKinds[i]] = 16 + i;

    const ResultRowTexts t = HistoryRowTexts(r);
    EXPECT_EQ(t.checkTime, "2023-11-14 22:13:20");
    EXPECT_EQ(t.file, "ftp://srv/x.ts");
    EXPECT_EQ(t.name, "x.ts");
    EXPECT_EQ(t.formatIcon, kFormatIconValid);
    for (int i = 0; i < kCountColumns; ++i)
        EXPECT_EQ(t.counts[i], std::to_string(i + 1));
    EXPECT_TRUE(ShowsFaults(t));
    EXPECT_EQ(t.state, "检测完毕");
    EXPECT_EQ(t.failure, nullptr);
}

TEST_F(HistoryRow, HowTheCheckEndedIsItsState)
{
    struct Case {
        int32_t nState;
        int32_t tmEnd;
        const char* state;
        bool failure;
        const char* counts;
    };
    const Case cases[] = {
        {kSubTaskChecking, 1700000060, "检测完毕", false, "1"},
        {kSubTaskChecking, 0, "检测中断", true, "1"},  // its run never finished
        {kSubTaskInterrupted, 1700000060, "检测中断", true, "1"},
        {kSubTaskOpenFailed, 1700000060, "无法打开", true, "-"},
        {kSubTaskStoreFailed, 1700000060, "无法保存", true, "1"},
    };
    for (const Case& c : cases) {
        ResultInfo_t r{};
        r.tmBegin = 1700000000;
        r.tmEnd = c.tmEnd;
        r.nState = c.nState;
        r.nSFCount = c.nState == kSubTaskOpenFailed ? 0 : 1;
        const ResultRowTexts t = HistoryRowTexts(r);
        EXPECT_EQ(t.state, c.state) << c.nState << "/" << c.tmEnd;
        EXPECT_EQ(t.failure != nullptr, c.failure) << c.nState << "/" << c.tmEnd;
        EXPECT_EQ(t.counts[0], c.counts) << c.nState;
    }
    ResultInfo_t notOpened{};
    notOpened.nState = kSubTaskOpenFailed;
    EXPECT_FALSE(ShowsFaults(HistoryRowTexts(notOpened))) << "\"-\" is no fault";
}

TEST_F(HistoryRow, InvalidFormatShowsZeroCountsAndIsNotRed)
{
    ResultInfo_t r{};
    r.nFmtError = kFormatInvalid;
    r.nSFCount = 4;
    const ResultRowTexts t = HistoryRowTexts(r);
    for (const std::string& count : t.counts)
        EXPECT_EQ(count, "0");
    EXPECT_FALSE(ShowsFaults(t));
    EXPECT_EQ(t.formatIcon, kFormatIconInvalid);

    ResultInfo_t uncountedOnly{};
    uncountedOnly.nNA4Count = 3;
    EXPECT_FALSE(ShowsFaults(HistoryRowTexts(uncountedOnly)));
    ResultInfo_t otherChannelOnly{};
    otherChannelOnly.nNA3Count = 1;
    EXPECT_TRUE(ShowsFaults(HistoryRowTexts(otherChannelOnly)));
    ResultInfo_t videoLostOnly{};
    videoLostOnly.nNVCount = 1;
    EXPECT_TRUE(ShowsFaults(HistoryRowTexts(videoLostOnly)));
    // Warnings are counted in their column but leave the row as it is.
    ResultInfo_t warningOnly{};
    warningOnly.nKindCounts[kFaultFlashWarning] = 2;
    const ResultRowTexts warned = HistoryRowTexts(warningOnly);
    EXPECT_EQ(warned.counts[CountColumnOfKind(kFaultFlashWarning)], "2");
    EXPECT_FALSE(ShowsInRed(warned));
    warningOnly.nKindCounts[kFaultFlash] = 1;
    EXPECT_TRUE(ShowsInRed(HistoryRowTexts(warningOnly)));
}

}  // namespace
}  // namespace quarvik
