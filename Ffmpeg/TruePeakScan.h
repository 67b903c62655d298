// CTruePeakScan: the true peak of interleaved float sound, exactly as libebur128 measures it
// (its 49-tap polyphase interpolator, 4x oversampling below 96 kHz, 2x below 192 kHz), without
// oversampling what cannot raise it.
//
// The interpolator is libebur128's, computed here: the same coefficients, each output summed in
// double in the same order and rounded to float, so every output sample is the one libebur128
// makes. What differs is the form: a channel's samples lie in one line (the filter's history,
// then the block), so four outputs are summed side by side, and nothing else runs with it
// (libebur128's true-peak mode also runs the loudness filter).
//
// A block of a channel (256 frames) is skipped when its largest sample, and the samples before
// it that the filter still reaches, times the filter's gain bound cannot reach the peak found so
// far: no output the filter would make of them can exceed it. Within a measured block, each
// phase of each tile of 16 outputs is judged the same way, with the phase's own bound, and then
// by its outputs summed in float, which lie within a known distance of the exact ones. The
// figure is the largest output or sample, as libebur128's is.
// Not thread-safe: one thread owns the object.
#pragma once

#include <cstddef>
#include <vector>

namespace quarvik {

class CTruePeakScan {
public:
    CTruePeakScan() = default;

    // frames of interleaved samples; a change of channel count or rate starts a new stretch
    // with an empty filter (the peak found so far is kept).
    void Add(const float* samples, size_t frames, int channels, int rate);
    // The largest true peak so far, linear; 0 before any sound.
    double Peak() const { return m_fPeak; }
    // Blocks of one channel measured and skipped so far (for the benchmark's figures).
    size_t MeasuredBlocks() const { return m_measured; }
    size_t SkippedBlocks() const { return m_skipped; }

    // The largest sum of coefficient magnitudes over the phases of the interpolator of this
    // factor, with a margin for rounding: no output exceeds the largest input magnitude times this.
    static double GainBound(int factor);

private:
    // One phase of the interpolator: output = sum of coeff[t] * (the input delay[t] samples back).
    struct Phase {
        std::vector<double> coeff;
        std::vector<float> roundedCoeff;  // for a first estimate
        std::vector<int> delay;
        double bound = 1.0;  // no output exceeds the largest input magnitude times this
    };
    static std::vector<Phase> Interpolator(int factor);

    void Restart(int channels, int rate);
    void Measure(const float* line, size_t frames);

    std::vector<Phase> m_phases;  // none at 192 kHz and above: the samples are the peak
    size_t m_nHistory = 0;        // samples before a block that its outputs reach
    std::vector<std::vector<float>> m_lines;  // per channel: history, then the block
    int m_nRate = 0;
    double m_fBound = 1.0;
    double m_fPeak = 0.0;
    size_t m_measured = 0, m_skipped = 0;
};

}  // namespace quarvik
