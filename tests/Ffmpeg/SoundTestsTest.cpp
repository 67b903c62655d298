#include "FaultKinds.h"
#include "SoundTests.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

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

TEST(SoundTests, PeakIsTheLargestMagnitudeOfEverySampleOfEveryChannel)
{
    // Left: a loud negative half-wave late in the unit; right: quiet positive samples.
    std::vector<int16_t> unit(2 * 1152, 0);
    for (int i = 0; i < 1152; ++i)
        unit[2 * i + 1] = 20;
    unit[2 * 1000] = -30000;
    unit[2 * 1151 + 1] = 700;
    int32_t peaks[16] = {};
    MeasurePeaks(unit.data(), 2, 1152, peaks);
    EXPECT_EQ(peaks[0], 30000);
    EXPECT_EQ(peaks[1], 700);

    const int16_t lowest[] = {-32768, 0};
    MeasurePeaks(lowest, 2, 1, peaks);
    EXPECT_EQ(peaks[0], 32768);
    const int16_t mono[] = {5, -9, 3};
    MeasurePeaks(mono, 1, 3, peaks);
    EXPECT_EQ(peaks[0], 9);
    peaks[1] = 77;
    MeasurePeaks(nullptr, 2, 10, peaks);
    EXPECT_EQ(peaks[0], 0);
    EXPECT_EQ(peaks[1], 0);

    // 16 channels: channel c peaks at 100 c, in the last frame for the odd ones.
    std::vector<int16_t> wide(16 * 480, 1);
    for (int c = 0; c < 16; ++c)
        wide[static_cast<size_t>(c % 2 ? 16 * 479 + c : c)] = static_cast<int16_t>(-100 * c);
    MeasurePeaks(wide.data(), 16, 480, peaks);
    for (int c = 0; c < 16; ++c)
        EXPECT_EQ(peaks[c], c ? 100 * c : 1) << c;
}

TEST(SoundTests, ChannelNamesFollowTheTrackLayout)
{
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO, stereo = AV_CHANNEL_LAYOUT_STEREO,
                    surround = AV_CHANNEL_LAYOUT_5POINT1, unknown{};
    av_channel_layout_default(&unknown, 16);
    unknown.order = AV_CHANNEL_ORDER_UNSPEC;
    struct Case { int track, channel; const AVChannelLayout* layout; const char* name; };
    for (const Case& c : {Case{2, 0, &mono, "音轨3"}, Case{1, 1, &stereo, "音轨2 右"},
                          Case{0, 2, &surround, "音轨1 声道3 (C)"}, Case{0, 3, &surround, "音轨1 声道4 (LFE)"},
                          Case{0, 4, &unknown, "音轨1 声道5"}, Case{3, 0, nullptr, "音轨4 声道1"}})
        EXPECT_EQ(SoundChannelName(c.track, c.channel, c.layout), c.name);
}

}  // namespace
}  // namespace quarvik
