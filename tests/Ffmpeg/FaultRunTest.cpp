// The fault runs of the engine, fed directly with pictures and sound units.
#include "EngineTestSupport.h"
#include "FFCheck.h"
#include "FaultKinds.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include <vector>

namespace quarvik {
namespace {

// 160 x 120 BGR pictures.
std::vector<uint8_t> Uniform(uint8_t level)
{
    return std::vector<uint8_t>(160 * 120 * 3, level);
}

std::vector<uint8_t> Textured(int seed)
{
    cv::Mat picture(120, 160, CV_8UC3);
    cv::RNG rng(seed);
    rng.fill(picture, cv::RNG::UNIFORM, 0, 256);
    return std::vector<uint8_t>(picture.data, picture.data + picture.total() * 3);
}

class FaultRunTest : public ::testing::Test {
protected:
    FaultRunTest() : m_engine("/nonexistent/ave.dat") { m_engine.SetResultSink(&m_sink); }

    void Picture(const std::vector<uint8_t>& pixels)
    {
        m_engine.DetectPicture(m_index++, pixels.data(), 160, 120, 160 * 120 * 3);
    }
    // One 1152-sample stereo unit at 48 kHz (0.6 check frames) of a constant peak.
    void Sound(int16_t left, int16_t right, int samples = 1152)
    {
        std::vector<int16_t> unit(static_cast<size_t>(2 * samples));
        for (int i = 0; i < samples; ++i) {
            unit[2 * i] = left;
            unit[2 * i + 1] = right;
        }
        m_engine.DetectSound(2, 48000, samples, unit.data());
    }

    CFFCheck m_engine;
    RecordingSink m_sink;
    int32_t m_index = 0;
};

TEST_F(FaultRunTest, OnePictureBlackFlashIsAnEvent)
{
    Picture(Textured(1));
    Picture(Uniform(0));
    Picture(Textured(2));
    ASSERT_EQ(m_sink.events.size(), 1u);
    EXPECT_EQ(m_sink.events[0].code, kFaultBlack);
    EXPECT_EQ(m_sink.events[0].begin, 1);
    EXPECT_EQ(m_sink.events[0].end, 1);
    EXPECT_EQ(m_sink.events[0].value, 0);
}

TEST_F(FaultRunTest, StillFrameNeedsItsFullDuration)
{
    // 75 identical pictures give 74 still verdicts: not reported.
    const std::vector<uint8_t> still = Textured(5);
    Picture(Textured(4));
    for (int i = 0; i < 75; ++i)
        Picture(still);
    Picture(Textured(6));
    EXPECT_TRUE(m_sink.events.empty());

    // 76 give 75 verdicts: one event from the second of them.
    const int first = m_index;
    for (int i = 0; i < 76; ++i)
        Picture(still);
    Picture(Textured(7));
    ASSERT_EQ(m_sink.events.size(), 1u);
    EXPECT_EQ(m_sink.events[0].code, kFaultStillFrame);
    EXPECT_EQ(m_sink.events[0].begin, first + 1);
    EXPECT_EQ(m_sink.events[0].end - m_sink.events[0].begin, 74);
}

TEST_F(FaultRunTest, EachEventCarriesTheSnapshotOfItsFirstPicture)
{
    Picture(Textured(1));
    for (int i = 0; i < 3; ++i)
        Picture(Uniform(0));
    std::vector<uint8_t> field = Uniform(128);
    field[0] = 120;  // the first colour-field picture is marked
    Picture(field);
    for (int i = 0; i < 5; ++i)
        Picture(Uniform(128));
    Picture(Textured(2));

    ASSERT_EQ(m_sink.events.size(), 2u);
    const Event& black = m_sink.events[0];
    const Event& colourField = m_sink.events[1];
    EXPECT_EQ(black.code, kFaultBlack);
    EXPECT_EQ(black.begin, 1);
    EXPECT_EQ(black.end, 3);
    ASSERT_EQ(black.snapshot.size(), cv::Size(160, 120));
    EXPECT_EQ(cv::countNonZero(black.snapshot.reshape(1)), 0);
    EXPECT_EQ(colourField.code, kFaultColourField);
    EXPECT_EQ(colourField.begin, 4);
    EXPECT_EQ(colourField.end, 9);
    ASSERT_EQ(colourField.snapshot.size(), cv::Size(160, 120));
    EXPECT_EQ(colourField.snapshot.data[0], 120);
    EXPECT_EQ(colourField.snapshot.data[1], 128);
}

TEST_F(FaultRunTest, FlushClosesRunsOneFrameBeforeTheLastTime)
{
    m_engine.MutableParams()[kFaultSilenceLeft].nDuration = 25;
    for (int i = 0; i < 10; ++i)
        Sound(1000, 0);  // -30 dBFS: fine
    for (int i = 0; i < 90; ++i)
        Sound(0, 0);     // units 10..99: times 6 .. 59
    Picture(Textured(1));
    for (int i = 0; i < 3; ++i)
        Picture(Uniform(0));
    m_engine.Flush();

    ASSERT_EQ(m_sink.events.size(), 2u);
    EXPECT_EQ(m_sink.events[0].code, kFaultSilenceLeft);
    EXPECT_EQ(m_sink.events[0].begin, 6);
    EXPECT_EQ(m_sink.events[0].end, 58);
    EXPECT_EQ(m_sink.events[0].value, -90);
    EXPECT_TRUE(m_sink.events[0].snapshot.empty());
    EXPECT_EQ(m_sink.events[1].code, kFaultBlack);
    EXPECT_EQ(m_sink.events[1].begin, 1);
    EXPECT_EQ(m_sink.events[1].end, 2);
}

TEST_F(FaultRunTest, RightChannelOnlyWhenSwitchedOn)
{
    ContentParam_t* params = m_engine.MutableParams();
    params[kFaultTooLowLeft].nDuration = 1;
    params[kFaultSilenceRight].nDuration = 1;
    params[kFaultTooLowLeft].nEnable = 0;  // not consulted: the silence record switches
    for (int i = 0; i < 5; ++i)
        Sound(100, 0);  // left -50 dBFS: too low; right silent
    Sound(1000, 1000);
    ASSERT_EQ(m_sink.events.size(), 1u);
    EXPECT_EQ(m_sink.events[0].code, kFaultTooLowLeft);
    EXPECT_EQ(m_sink.events[0].value, -50);

    m_engine.MutableParams()[kFaultSilenceRight].nEnable = 1;
    for (int i = 0; i < 5; ++i)
        Sound(1000, 0);
    Sound(1000, 1000);
    ASSERT_EQ(m_sink.events.size(), 2u);
    EXPECT_EQ(m_sink.events[1].code, kFaultSilenceRight);
}

TEST_F(FaultRunTest, LoudRunKeepsTheLevelOfItsFirstUnit)
{
    m_engine.MutableParams()[kFaultTooHighLeft].nDuration = 1;
    Sound(1000, 0);
    Sound(30000, 0);  // -0.78 -> 0
    Sound(12000, 0);  // -8.7 -> -8
    Sound(1000, 0);
    ASSERT_EQ(m_sink.events.size(), 1u);
    EXPECT_EQ(m_sink.events[0].code, kFaultTooHighLeft);
    EXPECT_EQ(m_sink.events[0].value, 0);
    EXPECT_EQ(m_sink.events[0].begin, 0);  // unit 1 at 0.6 check frames
    EXPECT_EQ(m_sink.events[0].end, 0);    // closed at unit 3, time 1
}

TEST_F(FaultRunTest, SoundUnitsAreTimedByTheSamplesBeforeThem)
{
    // A short first unit, then units of the codec's usual size: 20 loud, 50 silent, one loud.
    // Each unit lies in the check frame of its first sample (1920 samples a frame).
    struct Case { const char* codec; int first, size; };
    const Case cases[] = {{"MP3", 34, 1152}, {"Opus", 648, 960}, {"Vorbis", 128, 1024},
                          {"PCM", 1920, 1920}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codec);
        CFFCheck engine("/nonexistent/ave.dat");
        RecordingSink sink;
        engine.SetResultSink(&sink);
        engine.MutableParams()[kFaultSilenceLeft].nDuration = 1;
        std::vector<int16_t> loud(2 * 1920, 1000), quiet(2 * 1920, 0);
        engine.DetectSound(2, 48000, c.first, loud.data());
        for (int i = 0; i < 20; ++i)
            engine.DetectSound(2, 48000, c.size, loud.data());
        for (int i = 0; i < 50; ++i)
            engine.DetectSound(2, 48000, c.size, quiet.data());
        engine.DetectSound(2, 48000, c.size, loud.data());
        ASSERT_EQ(sink.events.size(), 1u);
        EXPECT_EQ(sink.events[0].begin, (c.first + 20 * c.size) * 25 / 48000);
        EXPECT_EQ(sink.events[0].end, (c.first + 70 * c.size) * 25 / 48000 - 1);
    }
}

}  // namespace
}  // namespace quarvik
