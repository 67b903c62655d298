#include "TruePeakScan.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>

namespace quarvik {

struct CTruePeakScan::Channel {
    ebur128_state* state = nullptr;
    std::vector<float> held;  // the last kHeld samples of the channel, oldest first
    bool skipped = false;     // samples since the last measured block were skipped
};

namespace {

float LargestMagnitude(const float* samples, size_t count)
{
    float top = 0.0f;
    for (size_t i = 0; i < count; ++i)
        top = std::max(top, std::fabs(samples[i]));
    return top;
}

// The oversampling factor libebur128 uses at a rate.
int FactorAt(int rate)
{
    return rate < 96000 ? 4 : rate < 192000 ? 2 : 1;
}

}  // namespace

double CTruePeakScan::GainBound(int factor)
{
    if (factor <= 1)
        return 1.0;
    // libebur128's interpolator: 49 taps of a sinc under a Hann window, one phase per output
    // of an input sample. The margin covers single-precision coefficients and sums.
    constexpr int kTaps = 49;
    double largest = 0.0;
    for (int phase = 0; phase < factor; ++phase) {
        double sum = 0.0;
        for (int j = phase; j < kTaps; j += factor) {
            const double m = j - (kTaps - 1) / 2.0;
            const double x = M_PI * m / factor;
            const double window = 0.5 * (1.0 - std::cos(2.0 * M_PI * j / (kTaps - 1)));
            sum += std::fabs((m == 0.0 ? 1.0 : std::sin(x) / x) * window);
        }
        largest = std::max(largest, sum);
    }
    return largest * 1.05;
}

CTruePeakScan::CTruePeakScan() = default;

CTruePeakScan::~CTruePeakScan()
{
    Release();
}

void CTruePeakScan::Release()
{
    m_fPeak = Peak();
    for (Channel& c : m_channels) {
        if (c.state)
            ebur128_destroy(&c.state);
    }
    m_channels.clear();
}

void CTruePeakScan::Restart(int channels, int rate)
{
    Release();
    m_channels.resize(static_cast<size_t>(channels));
    for (Channel& c : m_channels)
        c.state = ebur128_init(1, static_cast<unsigned long>(rate), EBUR128_MODE_TRUE_PEAK);
    m_nRate = rate;
    m_fBound = GainBound(FactorAt(rate));
}

double CTruePeakScan::Peak() const
{
    double peak = m_fPeak;
    for (const Channel& c : m_channels) {
        double value = 0.0;
        if (c.state && ebur128_true_peak(c.state, 0, &value) == EBUR128_SUCCESS)
            peak = std::max(peak, value);
    }
    return peak;
}

void CTruePeakScan::Add(const float* samples, size_t frames, int channels, int rate)
{
    if (frames == 0 || channels <= 0)
        return;
    if (channels != static_cast<int>(m_channels.size()) || rate != m_nRate)
        Restart(channels, rate);
    double peak = Peak();
    m_block.resize(frames);
    for (size_t ch = 0; ch < m_channels.size(); ++ch) {
        Channel& c = m_channels[ch];
        if (!c.state)
            continue;
        for (size_t i = 0; i < frames; ++i)
            m_block[i] = samples[i * static_cast<size_t>(channels) + ch];
        const float before = LargestMagnitude(c.held.data(), c.held.size());
        const float largest = std::max(before, LargestMagnitude(m_block.data(), frames));
        if (peak > 0.0 && m_fBound * largest <= peak) {
            c.skipped = true;
            ++m_skipped;
        } else {
            // The filter still holds samples from before the skipped ones: give it the true
            // history first. What it makes of them is bounded as the skip was.
            if (c.skipped && !c.held.empty())
                ebur128_add_frames_float(c.state, c.held.data(), c.held.size());
            c.skipped = false;
            ebur128_add_frames_float(c.state, m_block.data(), frames);
            ++m_measured;
            double value = 0.0;
            if (ebur128_true_peak(c.state, 0, &value) == EBUR128_SUCCESS)
                peak = std::max(peak, value);
        }
        // Keep the channel's last kHeld samples, oldest first.
        const size_t take = std::min(frames, kHeld);
        if (c.held.size() + take > kHeld)
            c.held.erase(c.held.begin(), c.held.begin() + static_cast<std::ptrdiff_t>(c.held.size() + take - kHeld));
        c.held.insert(c.held.end(), m_block.end() - static_cast<std::ptrdiff_t>(take), m_block.end());
    }
}

}  // namespace quarvik
