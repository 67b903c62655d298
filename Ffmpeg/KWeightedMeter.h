// CKWeightedMeter: integrated loudness, loudness range and the loudness of the last 100 ms, as
// libebur128 1.2.6 measures them in its EBUR128_MODE_I | EBUR128_MODE_LRA mode, bit for bit:
// the same K-weighting filter (two biquads as one fourth-order filter, denormals flushed), the
// same 400 ms gating blocks every 100 ms and 3 s short-term blocks every second, each summed in
// libebur128's order over its 3 s ring (newest part first where a block wraps), the same gates.
//
// What differs is the form. The channels of a frame are filtered side by side, two to a vector
// and two vectors at once (libebur128 runs one channel after another with its filter state in
// memory), and the ring holds them the same way, so the sums of a block run for all channels at
// once. And the blocks are summed as the sound arrives: every 100 ms mark of the ring starts a
// running sum of squares (each the very additions libebur128 makes when a block begins there),
// so a 400 ms block, the last 100 ms and a 3 s block that does not wrap are read off a sum
// rather than summed again, and the sums of one frame go side by side rather than one after
// another. A block that wraps takes the running sum from the ring's start for its newest part
// and sums its older part as libebur128 does.
// Not thread-safe: one thread owns the object.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace quarvik {

class CKWeightedMeter {
public:
    // Starts (or, with other channels or rate, continues as ebur128_change_parameters does:
    // the blocks so far are kept, the ring and the filter start empty) a measurement. The channels' weights
    // start as libebur128's defaults for the count; false for a count or rate it refuses.
    bool Configure(int channels, unsigned long rate);
    // A channel's weight, an EBUR128_* channel value (EBUR128_UNUSED leaves it out).
    void SetChannel(int channel, int weight);
    // frames of interleaved samples in [-1, 1].
    void Add(const float* samples, size_t frames);

    // Loudness (LUFS) of the last `ms` of sound; -inf for digital silence, NaN when longer than the ring.
    double Window(unsigned long ms) const;
    // Gated integrated loudness; -inf below the gates.
    double Integrated() const;
    // Loudness range (LU); 0 without short-term blocks above the gates.
    double Range() const;

private:
    static constexpr int kLanes = 2;  // a vector every x86-64 has
    typedef double Lanes __attribute__((vector_size(kLanes * sizeof(double))));

    void Filter(const float* samples, size_t frames);
    template <int kVectors>
    void FilterVectors(const float* samples, size_t frames, size_t first);
    template <int kVectors>
    void SumSquares(size_t first, size_t begin, size_t end, Lanes* sums) const;
    template <int kVectors>
    void AddToRuns(size_t first, size_t begin, size_t end);
    void AddToRuns(size_t begin, size_t end);
    void StartRun(size_t slot);
    size_t RunFrom(size_t start) const;
    double BlockEnergy(size_t framesPerBlock) const;

    int m_nChannels = 0;
    unsigned long m_nRate = 0;
    std::vector<int> m_weights;           // per channel, EBUR128_*
    size_t m_nGroups = 0;                 // vectors of kLanes per frame: channel c in lane c % kLanes of vector c / kLanes

    double m_b[5] = {}, m_a[5] = {};
    std::vector<std::array<double, 5>> m_v;  // per channel: the filter's state

    size_t m_nHundredMs = 0;              // frames in 100 ms, rounded
    size_t m_nRingFrames = 0;             // 3 s, rounded up to whole 100 ms
    std::vector<Lanes> m_ring;            // [frame][group]: K-weighted samples
    size_t m_nIndex = 0;                  // next frame of the ring
    size_t m_nNeeded = 0;                 // frames until the next gating block
    size_t m_nShortTermCounter = 0;

    // Running sums of squares, each from a 100 ms mark of the ring (never across its end) up to
    // m_nIndex: slot 0 from the ring's start, the others from the last four marks in turn.
    static constexpr size_t kRuns = 5;
    static constexpr size_t kNoRun = static_cast<size_t>(-1);
    size_t m_runStart[kRuns] = {};
    std::vector<Lanes> m_runSums;         // [group][slot]

    std::vector<double> m_blocks;         // energies of the 400 ms blocks above -70 LUFS
    std::vector<double> m_shortTermBlocks;
};

}  // namespace quarvik
