#include "FaultKinds.h"
#include "SoundTests.h"

#include <gtest/gtest.h>

#include <vector>

namespace quarvik {
namespace {

TEST(SoundTests, LevelsAndVerdictsWithTheDefaults)
{
    ContentParam_t params[kContentParamCount];
    SetDefaultContentParams(params);
    struct Case { int32_t peak, level, verdict; };
    const Case cases[] = {
        {0, -90, kFaultSilenceLeft},    {1, -90, kFaultSilenceLeft},
        {32, -60, kFaultSilenceLeft},   {33, -59, kFaultTooLowLeft},
        {412, -38, kFaultTooLowLeft},   {413, -37, kNoFault},
        {1000, -30, kNoFault},          {11612, -9, kFaultTooHighLeft},
        {32767, 0, kFaultTooHighLeft},  {32768, 0, kFaultTooHighLeft},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.peak);
        EXPECT_EQ(LevelDbfs(c.peak), c.level);
        EXPECT_EQ(ClassifyLevel(c.level, params, kFaultSilenceLeft), c.verdict);
        EXPECT_EQ(ClassifyLevel(c.level, params, kFaultSilenceRight),
                  c.verdict == kNoFault ? kNoFault : c.verdict + 3);
    }
}

TEST(SoundTests, PeakIsTheLargestMagnitudeOfEverySample)
{
    // Left: a loud negative half-wave late in the unit; right: quiet positive samples.
    std::vector<int16_t> unit(2 * 1152, 0);
    for (int i = 0; i < 1152; ++i)
        unit[2 * i + 1] = 20;
    unit[2 * 1000] = -30000;
    unit[2 * 1151 + 1] = 700;
    const ChannelPeaks peaks = MeasurePeaks(unit.data(), 2, 1152);
    EXPECT_EQ(peaks.left, 30000);
    EXPECT_EQ(peaks.right, 700);

    const int16_t lowest[] = {-32768, 0};
    EXPECT_EQ(MeasurePeaks(lowest, 2, 1).left, 32768);
    const int16_t mono[] = {5, -9, 3};
    EXPECT_EQ(MeasurePeaks(mono, 1, 3).left, 9);
    EXPECT_EQ(MeasurePeaks(mono, 1, 3).right, 0);
    EXPECT_EQ(MeasurePeaks(nullptr, 2, 10).left, 0);
}

}  // namespace
}  // namespace quarvik
