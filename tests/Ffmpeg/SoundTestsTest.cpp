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

    // Other channel counts (65 is read frame by frame): channel c peaks at 100 c, negative, in
    // the last frame for the odd ones; the last channel holds -32768.
    for (const int channels : {3, 6, 16, 70, 65}) {
        std::vector<int16_t> wide(static_cast<size_t>(channels) * 480, 1);
        for (int c = 0; c < channels; ++c)
            wide[static_cast<size_t>(c % 2 ? channels * 479 + c : c)] = static_cast<int16_t>(-100 * c);
        wide[static_cast<size_t>(channels * 200 + channels - 1)] = -32768;
        std::vector<int32_t> many(static_cast<size_t>(channels), -1);
        MeasurePeaks(wide.data(), channels, 480, many.data());
        for (int c = 0; c < channels; ++c)
            EXPECT_EQ(many[static_cast<size_t>(c)], c == channels - 1 ? 32768 : c ? 100 * c : 1) << channels << " " << c;
    }
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
