#include "TruePeakScan.h"

#include <ebur128.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace quarvik {
namespace {

// libebur128's true peak of interleaved sound, every sample oversampled, fed unit by unit.
class PlainTruePeak {
public:
    PlainTruePeak(int channels, int rate)
        : m_state(ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(rate),
                               EBUR128_MODE_TRUE_PEAK)),
          m_channels(channels)
    {
    }
    ~PlainTruePeak() { ebur128_destroy(&m_state); }
    double Add(const float* samples, size_t frames)
    {
        ebur128_add_frames_float(m_state, samples, frames);
        double peak = 0.0;
        for (int c = 0; c < m_channels; ++c) {
            double value = 0.0;
            ebur128_true_peak(m_state, static_cast<unsigned>(c), &value);
            peak = std::max(peak, value);
        }
        return peak;
    }

private:
    ebur128_state* m_state;
    int m_channels;
};

// Programme-like sound: noise swelling and fading, a quiet channel, now and then a burst
// of a tone between the samples' own peaks (fs/4, shifted by 45 degrees), and stretches of
// silence.
std::vector<float> Programme(int channels, int rate, int seconds, unsigned seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<float> noise(0.0f, 1.0f);
    const size_t frames = static_cast<size_t>(rate) * static_cast<size_t>(seconds);
    std::vector<float> samples(frames * static_cast<size_t>(channels));
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const float swell = static_cast<float>(0.05 + 0.04 * std::sin(2 * M_PI * 0.3 * t));
        const bool burst = std::fmod(t, 2.3) < 0.05;
        const bool silent = std::fmod(t, 3.7) > 3.2;
        for (int c = 0; c < channels; ++c) {
            float v = silent ? 0.0f : swell * noise(random) * (c == 2 ? 0.01f : 1.0f);
            if (burst && c == static_cast<int>(t / 2.3) % channels)
                v += static_cast<float>(0.5 * std::sin(M_PI / 2 * static_cast<double>(i) + M_PI / 4) * (1 + t / 10));
            samples[i * static_cast<size_t>(channels) + static_cast<size_t>(c)] = v;
        }
    }
    return samples;
}

TEST(TruePeakScan, GivesExactlyLibebur128sFigureAndSkipsMostBlocks)
{
    struct Case { int channels, rate; };
    for (const Case c : {Case{3, 48000}, Case{1, 44100}, Case{2, 96000}, Case{2, 192000}}) {
        SCOPED_TRACE(c.rate);
        const std::vector<float> samples = Programme(c.channels, c.rate, 12, static_cast<unsigned>(c.rate));
        CTruePeakScan scan;
        PlainTruePeak plain(c.channels, c.rate);
        // Units of the sizes codecs cut, and a few tiny ones; the figure agrees after each.
        const size_t sizes[] = {1152, 1920, 1024, 7, 1536};
        const size_t frames = samples.size() / static_cast<size_t>(c.channels);
        for (size_t at = 0, k = 0; at < frames; ++k) {
            const size_t n = std::min(sizes[k % 5], frames - at);
            const float* unit = samples.data() + at * static_cast<size_t>(c.channels);
            scan.Add(unit, n, c.channels, c.rate);
            ASSERT_EQ(scan.Peak(), plain.Add(unit, n)) << "after frame " << at;
            at += n;
        }
        EXPECT_GT(scan.SkippedBlocks(), scan.MeasuredBlocks());
    }
}

TEST(TruePeakScan, RisingSoundIsMeasuredEverywhere)
{
    // Noise growing louder all the time: no block can be skipped, so every output of the
    // interpolator counts, and each must be libebur128's.
    std::mt19937 random(5);
    std::normal_distribution<float> noise(0.0f, 1.0f);
    const size_t frames = 48000 * 3;
    std::vector<float> samples(frames);
    for (size_t i = 0; i < frames; ++i)
        samples[i] = static_cast<float>(0.3 * static_cast<double>(i + 1) / frames) * std::clamp(noise(random), -2.0f, 2.0f);
    CTruePeakScan scan;
    PlainTruePeak plain(1, 48000);
    for (size_t at = 0; at < frames; at += 999) {
        const size_t n = std::min<size_t>(999, frames - at);
        scan.Add(samples.data() + at, n, 1, 48000);
        ASSERT_EQ(scan.Peak(), plain.Add(samples.data() + at, n)) << "after frame " << at;
    }
    EXPECT_EQ(scan.SkippedBlocks(), 0u);
}

TEST(TruePeakScan, CreepingLineUpToneIsMeasuredExactly)
{
    // Line-up tones whose level creeps up by parts per million a second: crest after crest
    // comes within the float estimate's error of the peak found so far, where only the exact
    // sums can tell whether it raises it (4x oversampling at 48 kHz, 2x at 96 kHz).
    for (const int rate : {48000, 96000}) {
        SCOPED_TRACE(rate);
        const size_t frames = static_cast<size_t>(rate) * 4;
        std::vector<float> samples(2 * frames);
        for (size_t i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i) / rate;
            const double level = 0.89 * (1 + 3e-6 * t);
            samples[2 * i] = static_cast<float>(level * std::sin(2 * M_PI * 997 * t));
            samples[2 * i + 1] = static_cast<float>(level * std::sin(2 * M_PI * 1000 * t + 0.3));
        }
        CTruePeakScan scan;
        PlainTruePeak plain(2, rate);
        for (size_t at = 0; at < frames; at += 1920) {
            const size_t n = std::min<size_t>(1920, frames - at);
            scan.Add(samples.data() + 2 * at, n, 2, rate);
            ASSERT_EQ(scan.Peak(), plain.Add(samples.data() + 2 * at, n)) << "after frame " << at;
        }
    }
}

TEST(TruePeakScan, GainBoundCoversTheInterpolator)
{
    EXPECT_DOUBLE_EQ(CTruePeakScan::GainBound(1), 1.0);
    for (int factor : {2, 4}) {
        EXPECT_GT(CTruePeakScan::GainBound(factor), 1.0);
        EXPECT_LT(CTruePeakScan::GainBound(factor), 2.5);
    }
}

}  // namespace
}  // namespace quarvik
