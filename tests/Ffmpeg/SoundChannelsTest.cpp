// Every channel of every sound track is judged on its own: generated files with several
// tracks and layouts, each fault on one channel at a known time.
#include "CheckRun.h"
#include "EngineTestSupport.h"
#include "FFCheck.h"
#include "FaultKinds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace quarvik {
namespace {

struct Expected {
    int32_t code, track, channel;
    const char* name;
    int32_t begin, end;  // check frames, each within one check frame
};

struct Outcome {
    std::vector<Event> sound;  // the sound events, in the order reported
    LoudnessInfo_t loudness{};
};

class LoudnessSink : public RecordingSink {
public:
    void OnLoudness(int32_t, int32_t, const LoudnessInfo_t& l) override { loudness = l; }
    LoudnessInfo_t loudness{};
};

// Every sound channel on, with durations short enough for 8 s clips: 1 s of silence or too
// low sound, 0.4 s of too high sound.
Outcome CheckChannels(const std::string& name, bool defaults = false)
{
    ContentParam_t table[kContentParamCount];
    SetDefaultContentParams(table);
    if (!defaults) {
        for (int group : {kFaultSilenceLeft, kFaultSilenceRight, kFaultSilenceOther}) {
            table[group].nEnable = 1;
            table[group].nDuration = 25;
            table[group + 1].nDuration = 25;
            table[group + 2].nDuration = 10;
        }
    }
    TempParams params(table);
    CFFCheck engine(params.Path());
    LoudnessSink sink;
    engine.SetResultSink(&sink);
    Outcome outcome;
    EXPECT_EQ(RunContentCheck(engine, MediaPath(name).c_str(), -1, 1), CheckOutcome::kFinished);
    for (const Event& e : sink.events) {
        if (IsSoundFault(e.code))
            outcome.sound.push_back(e);
    }
    outcome.loudness = sink.loudness;
    return outcome;
}

void ExpectEvents(const Outcome& outcome, const std::vector<Expected>& expected)
{
    ASSERT_EQ(outcome.sound.size(), expected.size());
    for (const Expected& x : expected) {
        SCOPED_TRACE(x.name);
        const Event* found = nullptr;
        for (const Event& e : outcome.sound) {
            if (e.code == x.code && e.track == x.track && e.channel == x.channel)
                found = &e;
        }
        ASSERT_NE(found, nullptr) << "no event " << x.code << " on track " << x.track << " channel " << x.channel;
        EXPECT_EQ(found->channelName, x.name);
        EXPECT_NEAR(found->begin, x.begin, 1);
        EXPECT_NEAR(found->end, x.end, 1);
    }
}

TEST(SoundChannels, EveryChannelOfEveryLayoutIsJudgedOnItsOwn)
{
    struct Case {
        const char* file;
        std::vector<Expected> events;
    };
    const Case cases[] = {
        // 8 mono tracks: silent 2-6 s, too low 3-7 s, too high 1-3 s.
        {"ch-tracks8.mxf",
         {{kFaultSilenceOther, 3, 1, "音轨3", 50, 149},
          {kFaultTooLowOther, 4, 1, "音轨4", 75, 174},
          {kFaultTooHighOther, 6, 1, "音轨6", 25, 74}}},
        // 5.1 with a silent centre.
        {"ch-surround.ac3", {{kFaultSilenceOther, 1, 3, "音轨1 声道3 (C)", 50, 149}}},
        // Four stereo tracks, the third silent in both channels.
        {"ch-stereo4.ts",
         {{kFaultSilenceOther, 3, 1, "音轨3 左", 50, 149}, {kFaultSilenceOther, 3, 2, "音轨3 右", 50, 149}}},
        // 16 channels in one track: channel 11 silent 2-5 s, channel 14 too low 1-4 s.
        {"ch-wav16.wav",
         {{kFaultSilenceOther, 1, 11, "音轨1 声道11", 50, 124}, {kFaultTooLowOther, 1, 14, "音轨1 声道14", 25, 99}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ExpectEvents(CheckChannels(c.file), c.events);
    }
}

TEST(SoundChannels, MonoIsMeasuredAtItsOwnLevel)
{
    // Peaks at -8 dBFS: too high with the default limits, as the same sound in stereo is.
    const Outcome outcome = CheckChannels("ch-mono.wav", true);
    ASSERT_EQ(outcome.sound.size(), 1u);
    const Event& e = outcome.sound[0];
    EXPECT_EQ(e.code, kFaultTooHighLeft);
    EXPECT_GE(e.value, -8);
    EXPECT_EQ(e.begin, 0);
    EXPECT_GE(e.end, 95);
}

TEST(SoundChannels, TheFirstTwoChannelsKeepTheirCodes)
{
    // The left and right channel of the first track report 16-21 with their channel.
    ContentParam_t table[kContentParamCount];
    SetDefaultContentParams(table);
    table[kFaultSilenceRight].nEnable = 1;
    table[kFaultSilenceOther].nEnable = 0;
    CFFCheck engine(TempParams(table).Path());
    RecordingSink sink;
    engine.SetResultSink(&sink);
    std::vector<int16_t> unit(6 * 1920, 0);  // 6 channels of silence
    for (int i = 0; i < 760; ++i)
        engine.DetectSound(6, 48000, 1920, unit.data());
    engine.Flush();
    ASSERT_EQ(sink.events.size(), 2u) << "the other channels are off";
    EXPECT_EQ(sink.events[0].code, kFaultSilenceLeft);
    EXPECT_EQ(sink.events[0].channel, 1);
    EXPECT_EQ(sink.events[1].code, kFaultSilenceRight);
    EXPECT_EQ(sink.events[1].channel, 2);
}

TEST(SoundChannels, ATrackThatEndsEarlyIsSilentToTheEnd)
{
    ContentParam_t table[kContentParamCount];
    SetDefaultContentParams(table);
    table[kFaultSilenceOther].nDuration = 25;
    TempParams params(table);
    CFFCheck engine(params.Path());
    RecordingSink sink;
    engine.SetResultSink(&sink);
    std::vector<int16_t> loud(1920, 3000);
    // Track 1 runs 8 s; track 2 stops after 5 s.
    for (int i = 0; i < 200; ++i) {
        engine.DetectSound(1, 48000, 1920, loud.data(), 0);
        if (i < 125)
            engine.DetectSound(1, 48000, 1920, loud.data(), 1);
    }
    engine.Flush();
    ASSERT_EQ(sink.events.size(), 1u);
    EXPECT_EQ(sink.events[0].code, kFaultSilenceOther);
    EXPECT_EQ(sink.events[0].track, 2);
    EXPECT_EQ(sink.events[0].begin, 125);
    EXPECT_EQ(sink.events[0].end, 198);
}

// The integrated loudness FFmpeg's ebur128 filter gives the first two tracks as one pair.
double PairLoudness(const std::string& path)
{
    const std::string command = "ffmpeg -nostdin -hide_banner -i '" + path +
                                "' -filter_complex '[0:a:0][0:a:1]amerge=inputs=2,ebur128' -f null - 2>&1";
    double integrated = NAN;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char line[512];
        while (std::fgets(line, sizeof(line), pipe)) {
            double value = 0;
            if (std::sscanf(line, " I: %lf LUFS", &value) == 1)
                integrated = value;
        }
        pclose(pipe);
    }
    return integrated;
}

TEST(SoundChannels, TwoMonoTracksAreTheProgrammeAsAPair)
{
    const Outcome outcome = CheckChannels("ch-tracks8.mxf");
    const double reference = PairLoudness(MediaPath("ch-tracks8.mxf"));
    ASSERT_TRUE(std::isfinite(reference));
    EXPECT_NEAR(outcome.loudness.fIntegrated, reference, 0.1);
}

}  // namespace
}  // namespace quarvik
