// The whole engine over generated clips whose faults lie at known places.
#include "CheckRun.h"
#include "DamagedCopy.h"
#include "EngineTestSupport.h"
#include "FaultKinds.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace quarvik {
namespace {

std::vector<Event> VideoLostEvents(const std::vector<Event>& events)
{
    return EventsOf(events, kFaultVideoLost);
}

class EngineMediaTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetDefaultContentParams(m_params);
        m_params[kFaultSilenceLeft].nDuration = 25;  // 1 s instead of 30, for a short clip
    }

    CheckOutcome Check(const std::string& name, const CheckRunHooks& hooks = {})
    {
        return CheckPath(MediaPath(name), hooks);
    }
    CheckOutcome CheckPath(const std::string& path, const CheckRunHooks& hooks = {})
    {
        TempParams params(m_params);
        CFFCheck engine(params.Path());
        engine.SetResultSink(&m_sink);
        const CheckOutcome outcome = RunContentCheck(engine, path.c_str(), 7, 42, hooks);
        m_pictures = engine.PictureCount();
        m_progress = engine.ProgressPercent();
        return outcome;
    }

    ContentParam_t m_params[kContentParamCount];
    RecordingSink m_sink;
    int m_pictures = 0;
    int m_progress = 0;
};

TEST_F(EngineMediaTest, FindsThePlantedFaultsInEveryContainer)
{
    for (const char* name : {"faults.ts", "faults.mxf", "faults.mp4", "faults.avi"}) {
        SCOPED_TRACE(name);
        m_sink = RecordingSink();
        ASSERT_EQ(Check(name), CheckOutcome::kFinished);
        EXPECT_EQ(m_pictures, 300);
        EXPECT_GE(m_progress, 95);
        ASSERT_EQ(m_sink.finished.size(), 1u);
        EXPECT_EQ(m_sink.finished[0], 299);

        // Picture events, exactly; the frozen tail is flushed at the last picture.
        struct Expected { int code, begin, end; };
        const Expected pictures[] = {{kFaultColourBars, 0, 49}, {kFaultBlack, 50, 74},
                                     {kFaultColourField, 75, 99}, {kFaultStillFrame, 200, 298}};
        std::vector<Event> picture, sound;
        for (const Event& e : m_sink.events)
            (IsPictureFault(e.code) ? picture : sound).push_back(e);
        ASSERT_EQ(picture.size(), 4u);
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(picture[i].code, pictures[i].code);
            EXPECT_EQ(picture[i].begin, pictures[i].begin);
            EXPECT_EQ(picture[i].end, pictures[i].end);
            EXPECT_EQ(picture[i].snapshot.size(), cv::Size(160, 120));
        }

        // Sound events: within a unit or two, as each codec cuts its units differently.
        ASSERT_EQ(sound.size(), 2u);
        EXPECT_EQ(sound[0].code, kFaultTooHighLeft);
        EXPECT_NEAR(sound[0].begin, 100, 2);
        EXPECT_NEAR(sound[0].end, 149, 2);
        EXPECT_GE(sound[0].value, -9);
        EXPECT_TRUE(sound[0].snapshot.empty());
        EXPECT_EQ(sound[1].code, kFaultSilenceLeft);
        EXPECT_NEAR(sound[1].begin, 200, 2);
        EXPECT_NEAR(sound[1].end, 298, 2);
        EXPECT_LE(sound[1].value, -60);
    }
}

TEST_F(EngineMediaTest, AnInputThatCannotBeOpenedGivesOneOpenFailure)
{
    for (const char* name : {"missing.ts", "empty.ts", "random.mxf", "truncated.mp4", "notes.txt"}) {
        SCOPED_TRACE(name);
        m_sink = RecordingSink();
        EXPECT_EQ(Check(name), CheckOutcome::kOpenFailed);
        ASSERT_EQ(m_sink.openFailed.size(), 1u);
        EXPECT_EQ(m_sink.openFailed[0], 0);
        EXPECT_TRUE(m_sink.finished.empty());
        EXPECT_TRUE(m_sink.events.empty());
    }
}

TEST_F(EngineMediaTest, DamagedPacketsCostOnlyTheirOwnUnits)
{
    ASSERT_EQ(Check("damaged.ts"), CheckOutcome::kFinished);
    EXPECT_GT(m_pictures, 250);
    ASSERT_EQ(m_sink.finished.size(), 1u);
    ASSERT_GE(m_sink.events.size(), 2u);
    EXPECT_EQ(m_sink.events[0].code, kFaultColourBars);
    EXPECT_EQ(m_sink.events[0].begin, 0);
}

TEST_F(EngineMediaTest, VideoLostWherePicturesCannotBeDecodedOrEndBeforeTheSound)
{
    enum Damage { kNone, kZeroPictures40To59, kZeroEveryPicture, kHeadersOnly };
    struct Case {
        const char* name;
        Damage damage;
        int pictures, begin, end, endSlack;
    };
    const Case cases[] = {
        {"short-video.ts", kNone, 50, 50, 99, 2},          // 2 s of pictures, 4 s of sound
        {"intra.mp4", kZeroPictures40To59, 80, 40, 59, 0},  // pictures 40-59 do not decode
        {"intra.mp4", kZeroEveryPicture, 0, 0, 99, 0},      // no picture, 4 s of sound
        {"intra.mp4", kHeadersOnly, 0, 0, 0, 0},            // nothing behind the headers
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " damage " + std::to_string(c.damage));
        DamagedCopy copy(c.name);
        if (c.damage == kZeroPictures40To59)
            copy.ZeroPictures(40, 59);
        else if (c.damage == kZeroEveryPicture)
            copy.ZeroPictures(0, 99);
        else if (c.damage == kHeadersOnly)
            copy.KeepHeadersOnly();
        m_sink = RecordingSink();
        ASSERT_EQ(CheckPath(copy.Path()), CheckOutcome::kFinished);
        EXPECT_EQ(m_pictures, c.pictures);
        // Packets that do not decode are decoding errors as well: one at most, near the loss.
        const std::vector<Event> events = TextKindEvents(m_sink.events);
        const std::vector<Event> damage = EventsOf(m_sink.events, kFaultDecodeError);
        EXPECT_LE(damage.size(), 1u);
        for (const Event& e : damage)
            EXPECT_NEAR(e.begin, c.begin, 25);
        ASSERT_EQ(events.size(), 1u) << "moving pictures and a tone have no other fault";
        const Event& lost = events[0];
        EXPECT_EQ(lost.code, kFaultVideoLost);
        EXPECT_EQ(lost.begin, c.begin);
        EXPECT_NEAR(lost.end, c.end, c.endSlack);
        EXPECT_EQ(lost.value, 0);
        ASSERT_EQ(lost.snapshot.size(), cv::Size(160, 120));
        EXPECT_EQ(cv::countNonZero(lost.snapshot.reshape(1)), 0) << "a lost picture shows black";
    }

    // Switched off, or asked to last longer than the loss: nothing.
    DamagedCopy copy("intra.mp4");
    copy.ZeroPictures(40, 59);
    m_params[kFaultVideoLost].nDuration = 21;
    m_sink = RecordingSink();
    ASSERT_EQ(CheckPath(copy.Path()), CheckOutcome::kFinished);
    EXPECT_TRUE(TextKindEvents(m_sink.events).empty());
    m_params[kFaultVideoLost].nDuration = 1;
    m_params[kFaultVideoLost].nEnable = 0;
    m_sink = RecordingSink();
    ASSERT_EQ(Check("short-video.ts"), CheckOutcome::kFinished);
    EXPECT_TRUE(TextKindEvents(m_sink.events).empty());
}

TEST_F(EngineMediaTest, NoVideoLostInOrdinaryFiles)
{
    for (const char* name : {"faults.ts", "faults.mxf", "faults.mp4", "faults.avi", "damaged.ts", "vfr.mp4",
                             "vfr.mkv", "late-video.ts", "ntsc.mp4", "video-only.mkv", "intra.mp4", "tone.wav",
                             "mono44k.m4a", "cover.m4a"}) {
        SCOPED_TRACE(name);
        m_sink = RecordingSink();
        ASSERT_EQ(Check(name), CheckOutcome::kFinished);
        EXPECT_TRUE(VideoLostEvents(m_sink.events).empty()) << "first at " << VideoLostEvents(m_sink.events)[0].begin;
    }
}

TEST_F(EngineMediaTest, StoppedCheckSendsNoFinishedNotice)
{
    int steps = 0;
    CheckRunHooks hooks;
    hooks.shouldStop = [&] { return ++steps > 100; };
    EXPECT_EQ(Check("faults.ts", hooks), CheckOutcome::kStopped);
    EXPECT_TRUE(m_sink.finished.empty());
    EXPECT_LT(m_pictures, 300);
}

TEST_F(EngineMediaTest, PreviewsOnlyWhileTheMonitorFlagIsSet)
{
    TempParams params(m_params);
    for (int flag : {0, 1}) {
        CFFCheck engine(params.Path());
        RecordingMonitor monitor;
        engine.SetMonitor(&monitor, flag);
        ASSERT_EQ(RunContentCheck(engine, MediaPath("faults.ts").c_str(), -1, 1),
                  CheckOutcome::kFinished);
        if (!flag) {
            EXPECT_TRUE(monitor.headers.empty());
            continue;
        }
        // Pictures 0, 51, 102, 153, 204 and 255.
        ASSERT_EQ(monitor.headers.size(), 6u);
        const BitmapInfoHeader_t& h = monitor.headers[0];
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biWidth, 160);
        EXPECT_EQ(h.biHeight, -120);
        EXPECT_EQ(h.biBitCount, 24);
        EXPECT_EQ(h.biSizeImage, 57600u);
    }
    CFFCheck everyPicture(params.Path());
    RecordingMonitor monitor;
    everyPicture.SetMonitor(&monitor, 1);
    everyPicture.SetPreviewPeriod(0);
    RunContentCheck(everyPicture, MediaPath("video-only.mkv").c_str(), -1, 1);
    EXPECT_EQ(monitor.headers.size(), 50u);
}

TEST_F(EngineMediaTest, MonitorMarksEveryReportedRunWhileTheFlagIsSet)
{
    TempParams params(m_params);
    for (int flag : {0, 1}) {
        CFFCheck engine(params.Path());
        RecordingSink sink;
        RecordingMonitor monitor;
        engine.SetResultSink(&sink);
        engine.SetMonitor(&monitor, flag);
        ASSERT_EQ(RunContentCheck(engine, MediaPath("faults.ts").c_str(), -1, 1), CheckOutcome::kFinished);
        if (!flag) {
            EXPECT_TRUE(monitor.marks.empty());
            continue;
        }
        ASSERT_FALSE(sink.events.empty());
        ASSERT_EQ(monitor.marks.size(), sink.events.size());
        for (size_t i = 0; i < sink.events.size(); ++i)
            EXPECT_EQ(monitor.marks[i], std::make_pair(sink.events[i].begin, sink.events[i].end));
    }
}

TEST_F(EngineMediaTest, AudioOnlyFileIsCheckedForSound)
{
    ASSERT_EQ(Check("mono44k.m4a"), CheckOutcome::kFinished);
    EXPECT_EQ(m_pictures, 0);
    EXPECT_TRUE(m_sink.events.empty()) << "2 s of tone, then 1 s of silence: too short";
    m_params[kFaultSilenceLeft].nDuration = 10;
    m_sink = RecordingSink();
    ASSERT_EQ(Check("mono44k.m4a"), CheckOutcome::kFinished);
    ASSERT_EQ(m_sink.events.size(), 1u);
    EXPECT_EQ(m_sink.events[0].code, kFaultSilenceLeft);
    EXPECT_NEAR(m_sink.events[0].begin, 50, 2);
}

}  // namespace
}  // namespace quarvik
