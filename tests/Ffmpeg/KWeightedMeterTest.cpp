#include "KWeightedMeter.h"

#include <ebur128.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace quarvik {
namespace {

// Programme-like sound: noise and a tone swelling and fading, each channel at its own level,
// stretches of digital silence (where the filter's state decays into denormals) and of near
// silence below the gates.
std::vector<float> Programme(int channels, int rate, int seconds, unsigned seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<float> noise(0.0f, 1.0f);
    const size_t frames = static_cast<size_t>(rate) * static_cast<size_t>(seconds);
    std::vector<float> samples(frames * static_cast<size_t>(channels));
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double swell = 0.1 + 0.09 * std::sin(2 * M_PI * 0.07 * t);
        const bool silent = std::fmod(t, 9.0) > 7.5;
        const bool faint = std::fmod(t, 13.0) > 11.0;
        for (int c = 0; c < channels; ++c) {
            const double level = swell / (1 + c) * (faint ? 1e-4 : 1.0);
            const double v = level * (noise(random) + std::sin(2 * M_PI * (200 + 50 * c) * t));
            samples[i * static_cast<size_t>(channels) + static_cast<size_t>(c)] = silent ? 0.0f : static_cast<float>(v);
        }
    }
    return samples;
}

TEST(KWeightedMeter, GivesExactlyLibebur128sFigures)
{
    struct Case {
        int channels, rate;
        std::vector<int> weights;
    };
    const Case cases[] = {
        {2, 48000, {EBUR128_LEFT, EBUR128_RIGHT}},
        {1, 44100, {EBUR128_CENTER}},
        // 5.1: the LFE left out, the surrounds weighted; six channels take two vectors.
        {6, 48000, {EBUR128_LEFT, EBUR128_RIGHT, EBUR128_CENTER, EBUR128_UNUSED, EBUR128_LEFT_SURROUND,
                    EBUR128_RIGHT_SURROUND}},
        // 7.1 at 32 kHz: two vectors, every lane used but the LFE's.
        {8, 32000, {EBUR128_LEFT, EBUR128_RIGHT, EBUR128_CENTER, EBUR128_UNUSED, EBUR128_LEFT_SURROUND,
                    EBUR128_RIGHT_SURROUND, EBUR128_LEFT_SURROUND, EBUR128_RIGHT_SURROUND}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.channels);
        const std::vector<float> samples = Programme(c.channels, c.rate, 40, static_cast<unsigned>(c.channels));
        ebur128_state* plain = ebur128_init(static_cast<unsigned>(c.channels), static_cast<unsigned long>(c.rate),
                                            EBUR128_MODE_I | EBUR128_MODE_LRA);
        CKWeightedMeter meter;
        ASSERT_TRUE(meter.Configure(c.channels, static_cast<unsigned long>(c.rate)));
        for (int ch = 0; ch < c.channels; ++ch) {
            ebur128_set_channel(plain, static_cast<unsigned>(ch), c.weights[static_cast<size_t>(ch)]);
            meter.SetChannel(ch, c.weights[static_cast<size_t>(ch)]);
        }
        // Units of the sizes codecs cut; the last 100 ms agree after each.
        const size_t sizes[] = {1152, 1920, 1024, 7, 4800};
        const size_t frames = samples.size() / static_cast<size_t>(c.channels);
        for (size_t at = 0, k = 0; at < frames; ++k) {
            const size_t n = std::min(sizes[k % 5], frames - at);
            const float* unit = samples.data() + at * static_cast<size_t>(c.channels);
            ebur128_add_frames_float(plain, unit, n);
            meter.Add(unit, n);
            at += n;
            double window = 0.0;
            ebur128_loudness_window(plain, 100, &window);
            ASSERT_EQ(meter.Window(100), window) << "after frame " << at;
        }
        double integrated = 0.0, range = 0.0;
        ebur128_loudness_global(plain, &integrated);
        ebur128_loudness_range(plain, &range);
        EXPECT_EQ(meter.Integrated(), integrated);
        EXPECT_EQ(meter.Range(), range);
        EXPECT_TRUE(std::isfinite(integrated));
        EXPECT_GT(range, 1.0);
        ebur128_destroy(&plain);
    }
}

TEST(KWeightedMeter, ChangesOfLayoutAndRateContinueAsLibebur128Does)
{
    const std::vector<float> stereo = Programme(2, 48000, 6, 1), surround = Programme(6, 48000, 6, 2),
                             slower = Programme(6, 44100, 6, 3);
    ebur128_state* plain = ebur128_init(2, 48000, EBUR128_MODE_I | EBUR128_MODE_LRA);
    CKWeightedMeter meter;
    ASSERT_TRUE(meter.Configure(2, 48000));
    const auto feed = [&](const std::vector<float>& samples, int channels, unsigned long rate) {
        if (rate != 48000 || channels != 2) {
            ebur128_change_parameters(plain, static_cast<unsigned>(channels), rate);
            ASSERT_TRUE(meter.Configure(channels, rate));
        }
        const size_t frames = samples.size() / static_cast<size_t>(channels);
        for (size_t at = 0; at < frames; at += 1536) {
            const size_t n = std::min<size_t>(1536, frames - at);
            ebur128_add_frames_float(plain, samples.data() + at * static_cast<size_t>(channels), n);
            meter.Add(samples.data() + at * static_cast<size_t>(channels), n);
        }
    };
    feed(stereo, 2, 48000);
    feed(surround, 6, 48000);
    feed(slower, 6, 44100);
    double integrated = 0.0, range = 0.0;
    ebur128_loudness_global(plain, &integrated);
    ebur128_loudness_range(plain, &range);
    EXPECT_EQ(meter.Integrated(), integrated);
    EXPECT_EQ(meter.Range(), range);
    ebur128_destroy(&plain);
}

}  // namespace
}  // namespace quarvik
