// Programme loudness measured by the check, on generated signals, against FFmpeg's own
// ebur128 filter on the same files.
#include "CheckRun.h"
#include "FFCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace quarvik {
namespace {

class LoudnessSink : public ICheckResultSink {
public:
    void OnFaultNotice(const ResultNotify_t&) override {}
    void OnCheckFinished(const ResultNotify_t&) override { finished = true; }
    void OnOpenFailed(const ResultNotify_t&) override {}
    void OnLoudness(int32_t, int32_t, const LoudnessInfo_t& l) override
    {
        EXPECT_FALSE(finished) << "loudness comes before the check-finished notice";
        loudness = l;
    }
    bool finished = false;
    std::optional<LoudnessInfo_t> loudness;
};

// What FFmpeg's ebur128 filter reports of a file (summary figures).
struct Reference {
    double integrated = NAN, range = NAN, truePeak = NAN;
};

std::string Run(const std::string& command)
{
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0)
            output.append(buffer, n);
        pclose(pipe);
    }
    return output;
}

double FigureAfter(const std::string& text, const std::string& label)
{
    const size_t at = text.rfind(label);
    return at == std::string::npos ? NAN : std::strtod(text.c_str() + at + label.size(), nullptr);
}

Reference FfmpegEbur128(const std::string& file)
{
    const std::string out = Run("ffmpeg -nostdin -hide_banner -nostats -i '" + file +
                                "' -map 0:a:0 -af ebur128=peak=true:framelog=verbose -f null - 2>&1");
    return {FigureAfter(out, "I:"), FigureAfter(out, "LRA:"), FigureAfter(out, "Peak:")};
}

class LoudnessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quarvik-loudness-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_folder = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    // Makes a file with the ffmpeg tool: the arguments between the inputs and the file name.
    std::string Make(const std::string& name, const std::string& args)
    {
        const std::string file = m_folder + "/" + name;
        const int status = std::system(("ffmpeg -nostdin -v error -y " + args + " '" + file + "'").c_str());
        EXPECT_EQ(status, 0) << args;
        return file;
    }

    std::optional<LoudnessInfo_t> Check(const std::string& file)
    {
        CFFCheck engine;
        LoudnessSink sink;
        engine.SetResultSink(&sink);
        EXPECT_EQ(RunContentCheck(engine, file.c_str(), -1, 1), CheckOutcome::kFinished);
        EXPECT_TRUE(sink.finished);
        return sink.loudness;
    }

    std::string m_folder;
};

// A sine of this peak level in dBFS on every channel, as an aevalsrc expression.
std::string Sine(double frequency, double dbfs, const char* phase = "0")
{
    char expr[160];
    std::snprintf(expr, sizeof(expr), "%.9f*sin(2*PI*%g*t+%s)", std::pow(10.0, dbfs / 20.0), frequency, phase);
    return expr;
}

TEST_F(LoudnessTest, StereoSineAtMinus23ReadsMinus23Lufs)
{
    const std::string tone = Sine(1000, -23);
    const std::string file = Make("sine.wav", "-f lavfi -i \"aevalsrc=" + tone + "|" + tone +
                                              ":s=48000:d=20\" -c:a pcm_f32le");
    const auto l = Check(file);
    ASSERT_TRUE(l);
    EXPECT_NEAR(l->fIntegrated, -23.0, 0.1);
    EXPECT_NEAR(l->fRange, 0.0, 0.1);
    EXPECT_NEAR(l->fMaxMomentary, -23.0, 0.1);
    EXPECT_NEAR(l->fMaxShortTerm, -23.0, 0.1);
    EXPECT_NEAR(l->fTruePeak, -23.0, 0.2);
    // One short-term figure a second; the last ones read the steady tone.
    ASSERT_EQ(l->shortTerm.size(), 20u);
    EXPECT_NEAR(l->shortTerm.back(), -23.0, 0.1);
    EXPECT_NEAR(FfmpegEbur128(file).integrated, l->fIntegrated, 0.1);
}

TEST_F(LoudnessTest, LoudnessRangeAgreesWithFfmpeg)
{
    // 20 s at -33 dBFS, then 20 s at -13 dBFS.
    const std::string tone = Sine(1000, -13);
    const std::string file = Make("range.wav", "-f lavfi -i \"aevalsrc=" + tone + "|" + tone +
                                               ":s=48000:d=40\" -af \"volume='if(lt(t,20),0.1,1)':eval=frame\""
                                               " -c:a pcm_s16le");
    const auto l = Check(file);
    ASSERT_TRUE(l);
    const Reference ref = FfmpegEbur128(file);
    EXPECT_NEAR(l->fRange, ref.range, 0.1);
    EXPECT_NEAR(l->fRange, 20.0, 1.0);
    EXPECT_NEAR(l->fIntegrated, ref.integrated, 0.1);
    EXPECT_NEAR(l->fMaxMomentary, -13.0, 0.1);
    EXPECT_NEAR(l->fMaxShortTerm, -13.0, 0.1);
    // The short-term loudness at the end of seconds 10, 21 (3 s window across the step) and 30.
    ASSERT_EQ(l->shortTerm.size(), 40u);
    EXPECT_NEAR(l->shortTerm[9], -33.0, 0.1);
    EXPECT_NEAR(l->shortTerm[20], 10 * std::log10((2 * std::pow(10.0, -3.3) + std::pow(10.0, -1.3)) / 3), 0.1);
    EXPECT_NEAR(l->shortTerm[29], -13.0, 0.1);
}

TEST_F(LoudnessTest, FivePointOneIsMeasuredInItsOwnLayout)
{
    // Tone on the surrounds and a loud LFE: the 5.1 weights count the surrounds +1.5 dB and
    // leave the LFE out, a stereo downmix does neither.
    const std::string tone = Sine(1000, -26), lfe = Sine(60, -6);
    const std::string file = Make("surround.mkv",
                                  "-f lavfi -i \"aevalsrc=0|0|0|" + lfe + "|" + tone + "|" + tone +
                                  ":s=48000:d=10:c=5.1\" -c:a pcm_s24le");
    const std::string downmix = Make("downmix.wav", "-i '" + file + "' -ac 2 -c:a pcm_f32le");
    const auto l = Check(file);
    const auto stereo = Check(downmix);
    ASSERT_TRUE(l && stereo);
    EXPECT_NEAR(l->fIntegrated, FfmpegEbur128(file).integrated, 0.1);
    EXPECT_GT(std::fabs(l->fIntegrated - stereo->fIntegrated), 1.0);
}

TEST_F(LoudnessTest, SixteenChannelsWithoutPositionsAreMeasuredAsTheirFirstPair)
{
    // A programme pair at -20 LUFS, then 14 channels of loud other sound, in one track without
    // positions: the loudness is the pair's, not the sum of 16 channels'.
    const std::string pair = Sine(1000, -20), other = Sine(300, -6);
    std::string channels = pair + "|" + pair;
    for (int c = 2; c < 16; ++c)
        channels += "|" + other;
    const std::string file = Make("tracks16.wav", "-f lavfi -i \"aevalsrc=" + channels + ":s=48000:d=10:c=16c\""
                                                   " -c:a pcm_s16le");
    const auto l = Check(file);
    ASSERT_TRUE(l);
    EXPECT_NEAR(l->fIntegrated, -20.0, 0.1);
    EXPECT_NEAR(l->fTruePeak, -20.0, 0.2);
}

TEST_F(LoudnessTest, SampleRatesOfOneProgrammeAgree)
{
    // Pink noise kept well below 22 kHz (what a 44.1 kHz copy can hold), its second part 6 dB
    // lower (well above the relative gate).
    const std::string at48 = Make("p48.wav", "-f lavfi -i \"anoisesrc=color=pink:seed=7:a=0.1:r=48000:d=15\" "
                                             "-af \"lowpass=f=12000,lowpass=f=12000,lowpass=f=12000,"
                                             "volume='if(lt(t,5),1,0.5)':eval=frame\" -ac 2 -c:a pcm_f32le");
    const std::string at44 = Make("p44.wav", "-i '" + at48 + "' -ar 44100 -c:a pcm_f32le");
    const auto a = Check(at48);
    const auto b = Check(at44);
    ASSERT_TRUE(a && b);
    EXPECT_NEAR(a->fIntegrated, b->fIntegrated, 0.1);
    EXPECT_NEAR(a->fRange, b->fRange, 0.1);
    EXPECT_NEAR(a->fIntegrated, FfmpegEbur128(at48).integrated, 0.1);
    EXPECT_NEAR(b->fIntegrated, FfmpegEbur128(at44).integrated, 0.1);
}

TEST_F(LoudnessTest, TruePeakFindsInterSamplePeaks)
{
    // Sines of peak -6 dBFS whose samples miss the wave's crests (48 kHz), faded in so that no
    // step at the start rings in the oversampling filters. FFmpeg's filter
    // overshoots close to the Nyquist frequency (-5.4 dBTP at fs/4), so there the known
    // peak is the reference, with the tolerance of the EBU test set (+0.2 / -0.4 dB).
    struct Case {
        double frequency;
        const char* phase;
        bool ffmpegReference;
    } cases[] = {
        {8000, "PI/3", true},      // fs/6: samples 1.25 dB below the crest
        {6000, "3*PI/8", true},    // fs/8
        {12000, "PI/4", false},    // fs/4: samples 3 dB below the crest
        {18000, "0.3", false},
    };
    for (const Case& c : cases) {
        const std::string tone = Sine(c.frequency, -6, c.phase);
        const std::string file = Make("peak.wav", "-f lavfi -i \"aevalsrc=" + tone + "|" + tone +
                                                  ":s=48000:d=3\" -af afade=d=0.5 -c:a pcm_f32le");
        const auto l = Check(file);
        ASSERT_TRUE(l);
        if (c.ffmpegReference) {
            EXPECT_NEAR(l->fTruePeak, FfmpegEbur128(file).truePeak, 0.2) << c.frequency;
        }
        EXPECT_LE(l->fTruePeak, -6.02 + 0.2) << c.frequency;
        EXPECT_GE(l->fTruePeak, -6.02 - 0.4) << c.frequency;
    }
}

TEST_F(LoudnessTest, SilenceHasNoIntegratedLoudness)
{
    const auto l = Check(Make("silence.wav", "-f lavfi -i anullsrc=r=48000:cl=stereo -t 10 -c:a pcm_s16le"));
    ASSERT_TRUE(l);
    EXPECT_FALSE(HasLoudnessValue(l->fIntegrated));
    EXPECT_FALSE(HasLoudnessValue(l->fRange));
    EXPECT_FALSE(HasLoudnessValue(l->fTruePeak));
    EXPECT_EQ(l->shortTerm.size(), 10u);
}

TEST_F(LoudnessTest, FileWithoutSoundHasNoLoudness)
{
    const auto l = Check(Make("video.mp4", "-f lavfi -i testsrc2=size=64x48:rate=25:duration=2 "
                                           "-c:v libx264 -preset ultrafast -pix_fmt yuv420p"));
    EXPECT_FALSE(l);
}

TEST(LoudnessJudging, LimitsAndValues)
{
    const double none = NAN;
    struct Case {
        double integrated, truePeak;
        bool enabled;
        LoudnessVerdict expected;
    } cases[] = {
        {-23.0, -3.0, false, kLoudnessNotJudged},
        {-10.0, 3.0, false, kLoudnessNotJudged},
        {-23.0, -3.0, true, kLoudnessPassed},
        {-22.04, -1.0, true, kLoudnessPassed},   // shown as -22.0 and -1.0: at the edges
        {-24.0, -3.0, true, kLoudnessPassed},
        {-21.9, -3.0, true, kLoudnessFailed},
        {-24.1, -3.0, true, kLoudnessFailed},
        {-23.0, -0.9, true, kLoudnessFailed},
        {none, none, true, kLoudnessPassed},     // silence: nothing to fail
        {none, 0.5, true, kLoudnessFailed},
    };
    for (const Case& c : cases) {
        LoudnessInfo_t l{c.integrated, 0.0, c.truePeak, none, none, {}};
        LoudnessLimits limits;
        limits.enabled = c.enabled;
        EXPECT_EQ(JudgeLoudness(l, limits), c.expected) << c.integrated << " " << c.truePeak;
    }
}

}  // namespace
}  // namespace quarvik
