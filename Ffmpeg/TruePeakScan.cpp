#include "TruePeakScan.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace quarvik {

namespace {

constexpr int kTaps = 49;           // libebur128's interpolator
constexpr size_t kBlock = 256;      // frames judged at once for the skip
constexpr size_t kTile = 16;        // outputs of a measured block judged at once, as PhasePeak sums them
constexpr double kAlmostZero = 0.000001;
// How far a phase's outputs summed in float may lie from the exact ones, as a share of the
// phase's bound times the largest input magnitude: the float sum of a phase's products (13 at
// 4x oversampling, 24 at 2x) and the rounding of the coefficients stay within 1.6e-6 of it, and
// the exact output's rounding to float adds 6e-8; more than twice that is allowed.
constexpr double kEstimateSlack = 4e-6;

// The oversampling factor libebur128 uses at a rate.
int FactorAt(int rate)
{
    return rate < 96000 ? 4 : rate < 192000 ? 2 : 1;
}

typedef float Float4 __attribute__((vector_size(16)));
typedef float Float8 __attribute__((vector_size(32)));
typedef double Double4 __attribute__((vector_size(32)));

// Largest magnitude; a NaN never counts (libebur128 compares with >, which a NaN fails).
float LargestMagnitude(const float* samples, size_t count)
{
    Float4 top4 = {0.0f, 0.0f, 0.0f, 0.0f};
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        Float4 x;
        std::memcpy(&x, samples + i, sizeof(x));
        const Float4 magnitude = x < 0.0f ? -x : x;
        top4 = magnitude > top4 ? magnitude : top4;
    }
    float top = std::max(std::max(top4[0], top4[1]), std::max(top4[2], top4[3]));
    for (; i < count; ++i) {
        const float magnitude = std::fabs(samples[i]);
        top = magnitude > top ? magnitude : top;
    }
    return top;
}

// acc += the four samples from `samples` on, widened to double, times c.
inline __attribute__((always_inline)) void Accumulate(Double4& acc, const float* samples, double c)
{
    Float4 x;
    std::memcpy(&x, samples, sizeof(x));
    acc += __builtin_convertvector(x, Double4) * c;
}

// top = the larger of top and the magnitude of b, lane by lane; a NaN never counts.
inline __attribute__((always_inline)) void KeepLarger(Double4& top, const Double4& b)
{
    const Double4 magnitude = b < 0.0 ? -b : b;
    top = magnitude > top ? magnitude : top;
}

// Largest magnitude of the outputs of one phase for `frames` new samples; line[-1], line[-2], ...
// are the samples before them. Each output is summed in double in the order of the taps, from
// 0.0, as libebur128 does; sixteen outputs side by side, so that the sums do not wait on each
// other (two vector halves each without AVX).
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("avx2", "default")))
#endif
double PhasePeak(const float* line, size_t frames, const double* coeff, const int* delay, size_t taps)
{
    Double4 top = {0.0, 0.0, 0.0, 0.0};
    size_t n = 0;
    for (; n + 16 <= frames; n += 16) {
        Double4 a0 = {0.0, 0.0, 0.0, 0.0}, a1 = a0, a2 = a0, a3 = a0;
        for (size_t t = 0; t < taps; ++t) {
            const float* x = line + n - delay[t];
            const double c = coeff[t];
            Accumulate(a0, x, c);
            Accumulate(a1, x + 4, c);
            Accumulate(a2, x + 8, c);
            Accumulate(a3, x + 12, c);
        }
        KeepLarger(top, a0);
        KeepLarger(top, a1);
        KeepLarger(top, a2);
        KeepLarger(top, a3);
    }
    double peak = std::max(std::max(top[0], top[1]), std::max(top[2], top[3]));
    for (; n < frames; ++n) {
        double acc = 0.0;
        for (size_t t = 0; t < taps; ++t)
            acc += static_cast<double>(line[static_cast<std::ptrdiff_t>(n) - delay[t]]) * coeff[t];
        peak = std::fabs(acc) > peak ? std::fabs(acc) : peak;
    }
    return peak;
}

// The largest magnitude of sixteen outputs of one phase, summed in float: an estimate within
// kEstimateSlack times the phase's bound times the largest input magnitude of the exact figure.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("avx2", "default")))
#endif
float PhasePeakEstimate(const float* line, const float* coeff, const int* delay, size_t taps)
{
    Float8 a0 = {}, a1 = {};
    for (size_t t = 0; t < taps; ++t) {
        const float* x = line - delay[t];
        Float8 x0, x1;
        std::memcpy(&x0, x, sizeof(x0));
        std::memcpy(&x1, x + 8, sizeof(x1));
        a0 += x0 * coeff[t];
        a1 += x1 * coeff[t];
    }
    a0 = a0 < 0.0f ? -a0 : a0;
    a1 = a1 < 0.0f ? -a1 : a1;
    const Float8 top = a0 > a1 ? a0 : a1;
    float peak = 0.0f;
    for (int i = 0; i < 8; ++i)
        peak = top[i] > peak ? top[i] : peak;
    return peak;
}

}  // namespace

// libebur128's coefficients: a sinc under a Hann window, taps near zero left out, tap j in phase
// j % factor, reaching j / factor samples back; each expression as it computes it.
std::vector<CTruePeakScan::Phase> CTruePeakScan::Interpolator(int factor)
{
    std::vector<Phase> phases;
    if (factor <= 1)
        return phases;
    phases.resize(static_cast<size_t>(factor));
    const double scale = static_cast<double>(factor);
    for (int j = 0; j < kTaps; ++j) {
        const double m = static_cast<double>(j) - static_cast<double>(kTaps - 1) / 2.0;
        double c = 1.0;
        if (std::fabs(m) > kAlmostZero)
            c = std::sin(m * M_PI / scale) / (m * M_PI / scale);
        c *= 0.5 * (1 - std::cos(2 * M_PI * static_cast<double>(j) / static_cast<double>(kTaps - 1)));
        if (std::fabs(c) > kAlmostZero) {
            Phase& phase = phases[static_cast<size_t>(j % factor)];
            phase.coeff.push_back(c);
            phase.roundedCoeff.push_back(static_cast<float>(c));
            phase.delay.push_back(j / factor);
        }
    }
    // The bound of each phase: the sum of its coefficients' magnitudes, with a margin for the
    // rounding of the sums (double) and of each output (float).
    for (Phase& phase : phases) {
        double sum = 0.0;
        for (double c : phase.coeff)
            sum += std::fabs(c);
        phase.bound = sum * 1.0001;
    }
    return phases;
}

double CTruePeakScan::GainBound(int factor)
{
    double largest = 1.0;
    for (const Phase& phase : Interpolator(factor))
        largest = std::max(largest, phase.bound);
    return largest;
}

void CTruePeakScan::Restart(int channels, int rate)
{
    const int factor = FactorAt(rate);
    m_phases = Interpolator(factor);
    m_nHistory = 0;
    for (const Phase& phase : m_phases) {
        for (int d : phase.delay)
            m_nHistory = std::max(m_nHistory, static_cast<size_t>(d));
    }
    // The filter starts empty: its history is silence.
    m_lines.assign(static_cast<size_t>(channels), std::vector<float>(m_nHistory, 0.0f));
    m_nRate = rate;
    m_fBound = GainBound(factor);
}

void CTruePeakScan::Add(const float* samples, size_t frames, int channels, int rate)
{
    if (frames == 0 || channels <= 0)
        return;
    if (channels != static_cast<int>(m_lines.size()) || rate != m_nRate)
        Restart(channels, rate);
    const size_t stride = static_cast<size_t>(channels);
    for (size_t start = 0; start < frames; start += kBlock) {
        const size_t count = std::min(kBlock, frames - start);
        for (size_t ch = 0; ch < stride; ++ch) {
            std::vector<float>& line = m_lines[ch];
            line.resize(m_nHistory + count);
            const float* in = samples + start * stride + ch;
            for (size_t i = 0; i < count; ++i)
                line[m_nHistory + i] = in[i * stride];
            const float largest = LargestMagnitude(line.data(), line.size());
            if (m_fPeak > 0.0 && m_fBound * largest <= m_fPeak) {
                ++m_skipped;
            } else {
                ++m_measured;
                m_fPeak = std::max(m_fPeak, static_cast<double>(largest));
                Measure(line.data() + m_nHistory, count);
            }
            // The last samples stay as the history of the next block.
            std::copy(line.end() - static_cast<std::ptrdiff_t>(m_nHistory), line.end(), line.begin());
        }
    }
}

// Tile by tile and phase by phase: the outputs of a phase in a tile are skipped as a block is,
// when the samples that reach them cannot raise the peak found so far.
void CTruePeakScan::Measure(const float* line, size_t frames)
{
    for (size_t n = 0; n < frames; n += kTile) {
        const size_t count = std::min(kTile, frames - n);
        const float* tile = line + n;
        const double largest = LargestMagnitude(tile - m_nHistory, m_nHistory + count);
        for (const Phase& phase : m_phases) {
            // Each phase has a bound of its own (the one that only repeats the samples, 1).
            const double reach = phase.bound * largest;
            if (reach <= m_fPeak)
                continue;
            // A whole tile is first summed in float; only where that may come near the peak
            // found so far are its outputs summed exactly.
            if (count == kTile && PhasePeakEstimate(tile, phase.roundedCoeff.data(), phase.delay.data(),
                                                    phase.coeff.size()) + kEstimateSlack * reach <= m_fPeak)
                continue;
            // libebur128 keeps each output as float, flushing what falls below the normal range.
            float peak = static_cast<float>(PhasePeak(tile, count, phase.coeff.data(), phase.delay.data(),
                                                      phase.coeff.size()));
            if (peak < std::numeric_limits<float>::min())
                peak = 0.0f;
            m_fPeak = std::max(m_fPeak, static_cast<double>(peak));
        }
    }
}

}  // namespace quarvik
