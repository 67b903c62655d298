// What the loudness measurement costs per sample and channel, side by side with libebur128 on
// the same sound, and whether the figures agree bit for bit: the K-weighting, gating blocks and
// 100 ms windows (CKWeightedMeter against EBUR128_MODE_I | EBUR128_MODE_LRA) and the true peak
// (CTruePeakScan against EBUR128_MODE_TRUE_PEAK), on 30 s of programme-like sound at 48 kHz in
// stereo and 5.1: two tones and pink-ish noise per channel under a slow swell. Best of 3 runs.
// Exit status 1 when a figure differs.
#include "KWeightedMeter.h"
#include "TruePeakScan.h"

#include <ebur128.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

namespace {

using quarvik::CKWeightedMeter;
using quarvik::CTruePeakScan;

constexpr int kRate = 48000;
constexpr size_t kFrames = static_cast<size_t>(kRate) * 30;
constexpr size_t kUnit = 1152;

std::vector<float> Programme(int channels)
{
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0.0f, 0.05f);
    std::vector<float> samples(kFrames * static_cast<size_t>(channels));
    float smooth[64] = {};
    for (size_t i = 0; i < kFrames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double swell = 1.0 - 0.4 * (0.5 + 0.5 * std::sin(2 * M_PI * 0.4 * t));
        for (int c = 0; c < channels; ++c) {
            smooth[c] = 0.97f * smooth[c] + noise(random);
            const double tone = 0.3 * std::sin(2 * M_PI * (180 + 41 * c) * t) + 0.2 * std::sin(2 * M_PI * (1000 + 97 * c) * t);
            samples[i * static_cast<size_t>(channels) + static_cast<size_t>(c)] =
                static_cast<float>(swell * (tone + smooth[c]));
        }
    }
    return samples;
}

// Best of 3 of a run, in ns per sample and channel.
double Time(int channels, const std::function<void()>& run)
{
    double best = HUGE_VAL;
    for (int i = 0; i < 3; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count() / static_cast<double>(kFrames * static_cast<size_t>(channels)));
    }
    return best;
}

}  // namespace

int main()
{
    bool same = true;
    std::printf("%-9s %-28s %14s %14s %s\n", "channels", "measurement", "libebur128 ns", "here ns", "figures");
    for (const int channels : {2, 6}) {
        const std::vector<float> sound = Programme(channels);
        const std::vector<int> weights = channels == 2
            ? std::vector<int>{EBUR128_LEFT, EBUR128_RIGHT}
            : std::vector<int>{EBUR128_LEFT, EBUR128_RIGHT, EBUR128_CENTER, EBUR128_UNUSED, EBUR128_LEFT_SURROUND,
                               EBUR128_RIGHT_SURROUND};
        const auto unitsOf = [&](const std::function<void(const float*, size_t)>& add) {
            for (size_t at = 0; at < kFrames; at += kUnit)
                add(sound.data() + at * static_cast<size_t>(channels), std::min(kUnit, kFrames - at));
        };

        // Loudness: fed up to each 100 ms mark, the last 100 ms read there, as the meter does.
        double plainFigures[2] = {}, ownFigures[2] = {};
        const auto hops = [&](const std::function<void(const float*, size_t)>& add) {
            for (size_t at = 0; at < kFrames; at += kRate / 10)
                add(sound.data() + at * static_cast<size_t>(channels), kRate / 10);
        };
        const double plainLoudness = Time(channels, [&] {
            ebur128_state* state = ebur128_init(static_cast<unsigned>(channels), kRate, EBUR128_MODE_I | EBUR128_MODE_LRA);
            for (int c = 0; c < channels; ++c)
                ebur128_set_channel(state, static_cast<unsigned>(c), weights[static_cast<size_t>(c)]);
            hops([&](const float* s, size_t n) {
                ebur128_add_frames_float(state, s, n);
                double window = 0.0;
                ebur128_loudness_window(state, 100, &window);
            });
            ebur128_loudness_global(state, &plainFigures[0]);
            ebur128_loudness_range(state, &plainFigures[1]);
            ebur128_destroy(&state);
        });
        const double ownLoudness = Time(channels, [&] {
            CKWeightedMeter meter;
            meter.Configure(channels, kRate);
            for (int c = 0; c < channels; ++c)
                meter.SetChannel(c, weights[static_cast<size_t>(c)]);
            hops([&](const float* s, size_t n) {
                meter.Add(s, n);
                meter.Window(100);
            });
            ownFigures[0] = meter.Integrated();
            ownFigures[1] = meter.Range();
        });
        const bool loudnessSame = plainFigures[0] == ownFigures[0] && plainFigures[1] == ownFigures[1];
        std::printf("%-9d %-28s %14.1f %14.1f %s\n", channels, "K-weighting, I, LRA, 100 ms", plainLoudness,
                    ownLoudness, loudnessSame ? "equal" : "DIFFER");

        // True peak.
        double plainPeak = 0.0, ownPeak = 0.0;
        size_t measured = 0, skipped = 0;
        const double plainTime = Time(channels, [&] {
            ebur128_state* state = ebur128_init(static_cast<unsigned>(channels), kRate, EBUR128_MODE_TRUE_PEAK);
            unitsOf([&](const float* s, size_t n) { ebur128_add_frames_float(state, s, n); });
            plainPeak = 0.0;
            for (int c = 0; c < channels; ++c) {
                double value = 0.0;
                ebur128_true_peak(state, static_cast<unsigned>(c), &value);
                plainPeak = std::max(plainPeak, value);
            }
            ebur128_destroy(&state);
        });
        const double ownTime = Time(channels, [&] {
            CTruePeakScan scan;
            unitsOf([&](const float* s, size_t n) { scan.Add(s, n, channels, kRate); });
            ownPeak = scan.Peak();
            measured = scan.MeasuredBlocks();
            skipped = scan.SkippedBlocks();
        });
        std::printf("%-9d %-28s %14.1f %14.1f %s (%zu of %zu blocks measured)\n", channels, "true peak", plainTime,
                    ownTime, plainPeak == ownPeak ? "equal" : "DIFFER", measured, measured + skipped);
        same = same && loudnessSame && plainPeak == ownPeak;
    }
    return same ? 0 : 1;
}
