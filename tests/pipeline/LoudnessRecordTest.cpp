// The result list's side of programme loudness: judged with the settings, stored, shown red
// and passed on like a fault when it fails, and read back with the day's results.
#include "ResultRecorder.h"
#include "Settings.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace quarvik {
namespace {

struct ReportLog : IResultListObserver {
    void OnRowAppended(int) override {}
    void OnRowChanged(int) override {}
    void OnReloaded() override {}
    void OnReport(int code) override { reports.push_back(code); }
    void OnFaultRecorded(int, const ResultNotify_t&) override {}
    std::vector<int> reports;
};

class LoudnessRecordTest : public TempHomeTest {
protected:
    // A check of sub-task 7 that ends with this loudness; the row it leaves.
    const ResultRow_t& Checked(double integrated, double truePeak)
    {
        SubTaskInfo_t s{};
        s.nTaskID = -1;
        s.nID = 7;
        s.nType = 2;
        std::strcpy(s.szName, "news.mxf");
        m_recorder.OnNewResult(s);
        m_recorder.AddObserver(&m_log);
        m_recorder.OnLoudness(-1, 7, {integrated, 4.0, truePeak, integrated + 3, integrated + 1, {-24.0f, -23.0f}});
        ResultNotify_t finished;
        std::memset(&finished, 0, sizeof(finished));
        finished.nTaskID = -1;
        finished.nSubTaskID = 7;
        m_recorder.OnCheckFinished(finished);
        return m_recorder.Row(m_recorder.FindRow(-1, 7));
    }

    CResultRecorder m_recorder;
    ReportLog m_log;
};

TEST_F(LoudnessRecordTest, NotJudgedUnlessEnabled)
{
    const ResultRow_t& row = Checked(-16.0, 0.5);
    ASSERT_TRUE(row.loudness);
    EXPECT_EQ(row.loudness->nVerdict, kLoudnessNotJudged);
    EXPECT_EQ(row.colour, RowColour::kNormal);
    EXPECT_EQ(m_log.reports, (std::vector<int>{2}));
}

TEST_F(LoudnessRecordTest, EnabledJudgingTurnsALoudProgrammeRedAndLightsTheAlarm)
{
    ASSERT_TRUE(WriteLoudnessLimits({true, -23.0, 1.0, -1.0}));
    const ResultRow_t& row = Checked(-16.0, -3.0);
    ASSERT_TRUE(row.loudness);
    EXPECT_EQ(row.loudness->nVerdict, kLoudnessFailed);
    EXPECT_EQ(row.colour, RowColour::kRed);
    EXPECT_EQ(m_log.reports, (std::vector<int>{1, 2}));

    // The stored figures and verdict come back with the day's list, still red, even after
    // judging was switched off.
    ASSERT_TRUE(WriteLoudnessLimits({false, -23.0, 1.0, -1.0}));
    CResultRecorder reloaded;
    reloaded.Reload();
    ASSERT_EQ(reloaded.Count(), 1);
    ASSERT_TRUE(reloaded.Row(0).loudness);
    EXPECT_EQ(reloaded.Row(0).loudness->nVerdict, kLoudnessFailed);
    EXPECT_DOUBLE_EQ(reloaded.Row(0).loudness->info.fIntegrated, -16.0);
    EXPECT_EQ(reloaded.Row(0).loudness->info.shortTerm.size(), 2u);
    EXPECT_EQ(reloaded.Row(0).colour, RowColour::kRed);
}

TEST_F(LoudnessRecordTest, AProgrammeOnTargetPasses)
{
    ASSERT_TRUE(WriteLoudnessLimits({true, -23.0, 1.0, -1.0}));
    const ResultRow_t& row = Checked(-23.2, -2.0);
    ASSERT_TRUE(row.loudness);
    EXPECT_EQ(row.loudness->nVerdict, kLoudnessPassed);
    EXPECT_EQ(row.colour, RowColour::kNormal);
    EXPECT_EQ(m_log.reports, (std::vector<int>{2}));
}

}  // namespace
}  // namespace quarvik
