#include "EngineTestSupport.h"
#include "FFCapture.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/samplefmt.h>
}

#include <gtest/gtest.h>

#include <string>

namespace quarvik {
namespace {

struct Totals {
    int pictures = 0;
    int soundUnits = 0;
    int64_t samples = 0;
    bool allPicturesBgr160 = true;
    bool allSoundStereo48k = true;
};

Totals ReadAll(CFFCapture& capture)
{
    Totals totals;
    const AVFrame* unit = nullptr;
    for (int guard = 0; guard < 1000000; ++guard) {
        int got = capture.ReadFrame(&unit);
        if (got == kReadEnd)
            break;
        if (got == kReadPicture) {
            ++totals.pictures;
            totals.allPicturesBgr160 &= unit->width == 160 && unit->height == 120 &&
                                        unit->format == AV_PIX_FMT_BGR24 &&
                                        unit->linesize[0] == 480;
        } else if (got == kReadSound) {
            ++totals.soundUnits;
            totals.samples += unit->nb_samples;
            totals.allSoundStereo48k &= unit->ch_layout.nb_channels == 2 &&
                                        unit->sample_rate == 48000 &&
                                        unit->format == AV_SAMPLE_FMT_S16;
        }
    }
    return totals;
}

bool OpenForCheck(CFFCapture& capture, const std::string& path)
{
    return capture.Open(path.c_str()) && capture.SetAudioOut() && capture.SetVideoOut(160, 120);
}

TEST(Decoding, EveryPictureOfEveryContainerIsHandedOn)
{
    // 300 pictures in each, the H.264 one with B-frames: the decoders are drained at the end.
    for (const char* name : {"faults.ts", "faults.mxf", "faults.mp4", "faults.avi"}) {
        SCOPED_TRACE(name);
        CFFCapture capture;
        ASSERT_TRUE(OpenForCheck(capture, MediaPath(name)));
        EXPECT_TRUE(capture.HasVideo());
        EXPECT_TRUE(capture.HasAudio());
        const Totals t = ReadAll(capture);
        EXPECT_EQ(t.pictures, 300);
        EXPECT_TRUE(t.allPicturesBgr160);
        EXPECT_TRUE(t.allSoundStereo48k);
        // 12 s of sound; codecs add or hold back at most a few hundred samples.
        EXPECT_NEAR(static_cast<double>(t.samples), 12 * 48000.0, 3000.0);
        EXPECT_NEAR(static_cast<double>(capture.Position()), 11.96e6, 0.1e6);
    }
}

TEST(Decoding, SoundInTheOutputFormIsHandedOnAsDecoded)
{
    CFFCapture capture;
    ASSERT_TRUE(OpenForCheck(capture, MediaPath("tone.wav")));
    EXPECT_FALSE(capture.HasVideo());
    int format = 0, channels = 0, rate = 0;
    ASSERT_TRUE(capture.GetAudioFormat(format, channels, rate));
    EXPECT_EQ(format, AV_SAMPLE_FMT_S16);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(rate, 48000);
    const Totals t = ReadAll(capture);
    EXPECT_EQ(t.pictures, 0);
    EXPECT_EQ(t.samples, 3 * 48000);
    EXPECT_TRUE(t.allSoundStereo48k);
}

TEST(Decoding, ResampledSoundCountsTheSamplesConverted)
{
    // Mono 44.1 kHz AAC becomes stereo 48 kHz; the units hold what was converted, not the
    // capacity of their buffer, so 3 s give about 144 000 samples.
    CFFCapture capture;
    ASSERT_TRUE(OpenForCheck(capture, MediaPath("mono44k.m4a")));
    const Totals t = ReadAll(capture);
    EXPECT_TRUE(t.allSoundStereo48k);
    EXPECT_NEAR(static_cast<double>(t.samples), 3 * 48000.0, 2200.0);
    // Audio only: the position follows the sound timestamps.
    EXPECT_GT(capture.Position(), 2800000);
}

TEST(Decoding, CoverArtAndEightBitSoundAreSoundFiles)
{
    struct Case { const char* name; int64_t samples; };
    for (const Case& c : {Case{"cover.m4a", 2 * 48000}, Case{"u8.wav", 2 * 48000}}) {
        SCOPED_TRACE(c.name);
        CFFCapture capture;
        ASSERT_TRUE(OpenForCheck(capture, MediaPath(c.name)));
        EXPECT_FALSE(capture.HasVideo()) << "a cover picture is not a video stream";
        EXPECT_TRUE(capture.HasAudio());
        const Totals t = ReadAll(capture);
        EXPECT_EQ(t.pictures, 0);
        EXPECT_NEAR(static_cast<double>(t.samples), static_cast<double>(c.samples), 2200.0);
    }
}

TEST(Decoding, VideoOnlyFile)
{
    CFFCapture capture;
    ASSERT_TRUE(OpenForCheck(capture, MediaPath("video-only.mkv")));
    EXPECT_FALSE(capture.HasAudio());
    int format = 0, channels = 0, rate = 0;
    EXPECT_FALSE(capture.GetAudioFormat(format, channels, rate));
    const Totals t = ReadAll(capture);
    EXPECT_EQ(t.pictures, 50);
    EXPECT_EQ(t.soundUnits, 0);
}

TEST(Decoding, UnreadableInputsDoNotOpen)
{
    for (const char* name : {"missing.ts", "empty.ts", "random.mxf", "truncated.mp4", "notes.txt"}) {
        SCOPED_TRACE(name);
        CFFCapture capture;
        EXPECT_FALSE(capture.Open(MediaPath(name).c_str()));
        EXPECT_FALSE(capture.IsOpen());
        const AVFrame* unit = nullptr;
        EXPECT_EQ(capture.ReadFrame(&unit), kReadEnd);
    }
}

TEST(Decoding, ReopeningAfterTheEndStartsAfresh)
{
    CFFCapture capture;
    ASSERT_TRUE(OpenForCheck(capture, MediaPath("video-only.mkv")));
    ReadAll(capture);
    ASSERT_TRUE(OpenForCheck(capture, MediaPath("video-only.mkv")));
    EXPECT_EQ(capture.Position(), 0);
    EXPECT_EQ(ReadAll(capture).pictures, 50);
}

}  // namespace
}  // namespace quarvik
