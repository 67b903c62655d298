// CTruePeakScan: the true peak of interleaved float sound, as libebur128 measures it (4x
// oversampling below 96 kHz), without oversampling what cannot raise it.
//
// Each channel has a one-channel libebur128 state of its own. A block of a channel is skipped
// when its largest sample, and the samples before it that the oversampling filter still holds,
// times the filter's gain bound cannot reach the peak found so far: no sample the filter would
// make of them can exceed it. Before the next block that is measured, the channel's last skipped
// samples are fed again, so the filter holds the true history; what those give is bounded the
// same way. The figure is therefore exactly libebur128's over the whole sound.
// Not thread-safe: one thread owns the object.
#pragma once

#include <cstddef>
#include <vector>

namespace quarvik {

class CTruePeakScan {
public:
    CTruePeakScan();
    CTruePeakScan(const CTruePeakScan&) = delete;
    CTruePeakScan& operator=(const CTruePeakScan&) = delete;
    ~CTruePeakScan();

    // frames of interleaved samples; a change of channel count or rate starts a new stretch
    // (the peak found so far is kept).
    void Add(const float* samples, size_t frames, int channels, int rate);
    // The largest true peak so far, linear; 0 before any sound.
    double Peak() const;
    // Blocks of one channel measured and skipped so far (for the benchmark's figures).
    size_t MeasuredBlocks() const { return m_measured; }
    size_t SkippedBlocks() const { return m_skipped; }

    // The largest sum of coefficient magnitudes over the phases of libebur128's interpolator
    // of this factor, with a margin: no output exceeds the largest input magnitude times this.
    static double GainBound(int factor);

private:
    static constexpr size_t kHeld = 16;  // at least the filter's delay line (13 for 49 taps / 4)

    struct Channel;  // a channel's libebur128 state and the samples it held

    void Restart(int channels, int rate);
    void Release();

    std::vector<Channel> m_channels;
    int m_nRate = 0;
    double m_fBound = 1.0;
    double m_fPeak = 0.0;  // of the stretches before the current one
    std::vector<float> m_block;
    size_t m_measured = 0, m_skipped = 0;
};

}  // namespace quarvik
