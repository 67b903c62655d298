#include "KWeightedMeter.h"

#include <ebur128.h>
#include <xmmintrin.h>

#include <algorithm>
#include <cmath>

namespace quarvik {

namespace {

constexpr int kMaxChannels = 64;  // what libebur128 accepts
constexpr unsigned long kMinRate = 16, kMaxRate = 2822400;
constexpr unsigned long kWindowMs = 3000;  // the short-term window, the longest kept

// The gates and the energy of a loudness, as libebur128 writes them.
const double kAbsoluteGate = std::pow(10.0, (-70.0 + 0.691) / 10.0);
const double kRelativeGate = std::pow(10.0, -10.0 / 10.0);
const double kRangeGate = std::pow(10.0, -20.0 / 10.0);

double LoudnessOf(double energy)
{
    return 10 * (std::log(energy) / std::log(10.0)) - 0.691;
}

// libebur128's weights of a fresh state of this many channels.
int DefaultWeight(int channels, int channel)
{
    if (channels == 4) {
        constexpr int kQuad[] = {EBUR128_LEFT, EBUR128_RIGHT, EBUR128_LEFT_SURROUND, EBUR128_RIGHT_SURROUND};
        return kQuad[channel];
    }
    if (channels == 5) {
        constexpr int kFive[] = {EBUR128_LEFT, EBUR128_RIGHT, EBUR128_CENTER, EBUR128_LEFT_SURROUND,
                                 EBUR128_RIGHT_SURROUND};
        return kFive[channel];
    }
    constexpr int kFirst[] = {EBUR128_LEFT,   EBUR128_RIGHT,          EBUR128_CENTER,
                              EBUR128_UNUSED, EBUR128_LEFT_SURROUND, EBUR128_RIGHT_SURROUND};
    return channel < 6 ? kFirst[channel] : EBUR128_UNUSED;
}

double WeightFactor(int weight)
{
    switch (weight) {
    case EBUR128_Mp110: case EBUR128_Mm110: case EBUR128_Mp060:
    case EBUR128_Mm060: case EBUR128_Mp090: case EBUR128_Mm090:
        return 1.41;
    case EBUR128_DUAL_MONO:
        return 2.0;
    default:
        return 1.0;
    }
}

// libebur128 filters with denormal results flushed to zero.
class FlushToZero {
public:
    FlushToZero() : m_saved(_mm_getcsr()) { _mm_setcsr(m_saved | _MM_FLUSH_ZERO_ON); }
    ~FlushToZero() { _mm_setcsr(m_saved); }
    FlushToZero(const FlushToZero&) = delete;
    FlushToZero& operator=(const FlushToZero&) = delete;

private:
    unsigned int m_saved;
};

}  // namespace

bool CKWeightedMeter::Configure(int channels, unsigned long rate)
{
    if (channels <= 0 || channels > kMaxChannels || rate < kMinRate || rate > kMaxRate)
        return false;
    if (channels == m_nChannels && rate == m_nRate)
        return true;
    if (channels != m_nChannels) {
        m_nChannels = channels;
        m_weights.resize(static_cast<size_t>(channels));
        for (int c = 0; c < channels; ++c)
            m_weights[static_cast<size_t>(c)] = DefaultWeight(channels, c);
    }
    if (rate != m_nRate) {
        m_nRate = rate;
        m_nHundredMs = (rate + 5) / 10;
        // The two biquads (high shelf, then high pass) as one fourth-order filter.
        double f0 = 1681.974450955533;
        double G = 3.999843853973347;
        double Q = 0.7071752369554196;
        double K = std::tan(M_PI * f0 / static_cast<double>(rate));
        const double Vh = std::pow(10.0, G / 20.0);
        const double Vb = std::pow(Vh, 0.4996667741545416);
        double pb[3] = {0.0, 0.0, 0.0}, pa[3] = {1.0, 0.0, 0.0};
        const double rb[3] = {1.0, -2.0, 1.0};
        double ra[3] = {1.0, 0.0, 0.0};
        const double a0 = 1.0 + K / Q + K * K;
        pb[0] = (Vh + Vb * K / Q + K * K) / a0;
        pb[1] = 2.0 * (K * K - Vh) / a0;
        pb[2] = (Vh - Vb * K / Q + K * K) / a0;
        pa[1] = 2.0 * (K * K - 1.0) / a0;
        pa[2] = (1.0 - K / Q + K * K) / a0;
        f0 = 38.13547087602444;
        Q = 0.5003270373238773;
        K = std::tan(M_PI * f0 / static_cast<double>(rate));
        ra[1] = 2.0 * (K * K - 1.0) / (1.0 + K / Q + K * K);
        ra[2] = (1.0 - K / Q + K * K) / (1.0 + K / Q + K * K);
        m_b[0] = pb[0] * rb[0];
        m_b[1] = pb[0] * rb[1] + pb[1] * rb[0];
        m_b[2] = pb[0] * rb[2] + pb[1] * rb[1] + pb[2] * rb[0];
        m_b[3] = pb[1] * rb[2] + pb[2] * rb[1];
        m_b[4] = pb[2] * rb[2];
        m_a[0] = pa[0] * ra[0];
        m_a[1] = pa[0] * ra[1] + pa[1] * ra[0];
        m_a[2] = pa[0] * ra[2] + pa[1] * ra[1] + pa[2] * ra[0];
        m_a[3] = pa[1] * ra[2] + pa[2] * ra[1];
        m_a[4] = pa[2] * ra[2];
    }
    m_v.assign(static_cast<size_t>(channels), {});
    m_nRingFrames = m_nRate * kWindowMs / 1000;
    if (m_nRingFrames % m_nHundredMs)
        m_nRingFrames += m_nHundredMs - m_nRingFrames % m_nHundredMs;
    m_nGroups = (static_cast<size_t>(channels) + kLanes - 1) / kLanes;
    m_ring.assign(m_nRingFrames * m_nGroups, Lanes{});
    m_nIndex = 0;
    m_nNeeded = 4 * m_nHundredMs;
    m_nShortTermCounter = 0;
    m_runSums.assign(m_nGroups * kRuns, Lanes{});
    std::fill(std::begin(m_runStart), std::end(m_runStart), kNoRun);
    StartRun(0);
    return true;
}

void CKWeightedMeter::SetChannel(int channel, int weight)
{
    if (channel < 0 || channel >= m_nChannels)
        return;
    m_weights[static_cast<size_t>(channel)] = weight;
}

void CKWeightedMeter::Add(const float* samples, size_t frames)
{
    const size_t stride = static_cast<size_t>(m_nChannels);
    while (frames > 0 && m_nChannels > 0) {
        // Up to the next 100 ms mark of the ring: blocks end there and running sums begin.
        const size_t n = std::min(frames, m_nHundredMs - m_nIndex % m_nHundredMs);
        Filter(samples, n);
        AddToRuns(m_nIndex, m_nIndex + n);
        samples += n * stride;
        frames -= n;
        m_nIndex += n;
        m_nShortTermCounter += n;
        m_nNeeded -= n;
        if (m_nIndex % m_nHundredMs != 0)
            return;
        if (m_nNeeded == 0) {
            const double block = BlockEnergy(4 * m_nHundredMs);
            if (block >= kAbsoluteGate)
                m_blocks.push_back(block);
            if (m_nShortTermCounter == 30 * m_nHundredMs) {
                const double shortTerm = BlockEnergy(30 * m_nHundredMs);
                if (shortTerm >= kAbsoluteGate)
                    m_shortTermBlocks.push_back(shortTerm);
                m_nShortTermCounter = 20 * m_nHundredMs;
            }
            m_nNeeded = m_nHundredMs;
        }
        if (m_nIndex == m_nRingFrames) {
            // Sums never run across the ring's end.
            m_nIndex = 0;
            std::fill(std::begin(m_runStart), std::end(m_runStart), kNoRun);
            StartRun(0);
        } else {
            // The slot of the mark four marks back, whose 400 ms block was just taken.
            StartRun(1 + (m_nIndex / m_nHundredMs) % (kRuns - 1));
        }
    }
}

// Each lane computes what libebur128 computes for its channel, in the same order, with denormal
// results flushed as there; two vectors at once, so that their filters do not wait on each other.
void CKWeightedMeter::Filter(const float* samples, size_t frames)
{
    const FlushToZero flush;
    size_t g = 0;
    // An odd count from three on ends with three vectors in one pass (5.1: one pass).
    for (; g + 2 <= m_nGroups && m_nGroups - g != 3; g += 2)
        FilterVectors<2>(samples, frames, g);
    if (m_nGroups - g == 3)
        FilterVectors<3>(samples, frames, g);
    else if (g < m_nGroups)
        FilterVectors<1>(samples, frames, g);
}

template <int kVectors>
void CKWeightedMeter::FilterVectors(const float* samples, size_t frames, size_t first)
{
    const size_t stride = static_cast<size_t>(m_nChannels);
    const double a1 = m_a[1], a2 = m_a[2], a3 = m_a[3], a4 = m_a[4];
    const double b0 = m_b[0], b1 = m_b[1], b2 = m_b[2], b3 = m_b[3], b4 = m_b[4];
    int channel[kVectors][kLanes];
    Lanes v1[kVectors] = {}, v2[kVectors] = {}, v3[kVectors] = {}, v4[kVectors] = {};
    for (int k = 0; k < kVectors; ++k) {
        for (int l = 0; l < kLanes; ++l) {
            const size_t c = (first + static_cast<size_t>(k)) * kLanes + static_cast<size_t>(l);
            const bool used = c < stride && m_weights[c] != EBUR128_UNUSED;
            channel[k][l] = used ? static_cast<int>(c) : -1;
            if (used)
                v1[k][l] = m_v[c][1], v2[k][l] = m_v[c][2], v3[k][l] = m_v[c][3], v4[k][l] = m_v[c][4];
        }
    }
    Lanes* out = m_ring.data() + m_nIndex * m_nGroups + first;
    const float* frame = samples;
    for (size_t i = 0; i < frames; ++i, frame += stride, out += m_nGroups) {
        for (int k = 0; k < kVectors; ++k) {
            Lanes x;
            for (int l = 0; l < kLanes; ++l)
                x[l] = channel[k][l] >= 0 ? static_cast<double>(frame[channel[k][l]]) : 0.0;
            const Lanes v0 = x - a1 * v1[k] - a2 * v2[k] - a3 * v3[k] - a4 * v4[k];
            out[k] = b0 * v0 + b1 * v1[k] + b2 * v2[k] + b3 * v3[k] + b4 * v4[k];
            v4[k] = v3[k];
            v3[k] = v2[k];
            v2[k] = v1[k];
            v1[k] = v0;
        }
    }
    for (int k = 0; k < kVectors; ++k) {
        for (int l = 0; l < kLanes; ++l) {
            if (channel[k][l] >= 0) {
                std::array<double, 5>& v = m_v[static_cast<size_t>(channel[k][l])];
                v[1] = v1[k][l], v[2] = v2[k][l], v[3] = v3[k][l], v[4] = v4[k][l];
            }
        }
    }
}

// sums[k] += the squares of frames [begin, end) of vector first + k, frame after frame.
template <int kVectors>
void CKWeightedMeter::SumSquares(size_t first, size_t begin, size_t end, Lanes* sums) const
{
    Lanes sum[kVectors];
    for (int k = 0; k < kVectors; ++k)
        sum[k] = sums[k];
    const Lanes* y = m_ring.data() + begin * m_nGroups + first;
    for (size_t i = begin; i < end; ++i, y += m_nGroups) {
#pragma GCC unroll 4
        for (int k = 0; k < kVectors; ++k)
            sum[k] += y[k] * y[k];
    }
    for (int k = 0; k < kVectors; ++k)
        sums[k] = sum[k];
}

// A running sum from the current frame on, in a slot.
void CKWeightedMeter::StartRun(size_t slot)
{
    m_runStart[slot] = m_nIndex;
    for (size_t g = 0; g < m_nGroups; ++g)
        m_runSums[g * kRuns + slot] = Lanes{};
}

// The slot of the running sum from the ring frame `start` to the current one, or kNoRun.
size_t CKWeightedMeter::RunFrom(size_t start) const
{
    const size_t* slot = std::find(std::begin(m_runStart), std::end(m_runStart), start);
    return slot == std::end(m_runStart) ? kNoRun : static_cast<size_t>(slot - std::begin(m_runStart));
}

// Every slot of vectors first .. first + kVectors - 1 takes the squares of frames [begin, end),
// frame after frame; a slot without a run sums what no one reads. The sums of a frame do not
// wait on each other.
template <int kVectors>
void CKWeightedMeter::AddToRuns(size_t first, size_t begin, size_t end)
{
    Lanes sum[kVectors][kRuns];
    for (int k = 0; k < kVectors; ++k)
        for (size_t r = 0; r < kRuns; ++r)
            sum[k][r] = m_runSums[(first + static_cast<size_t>(k)) * kRuns + r];
    const Lanes* y = m_ring.data() + begin * m_nGroups + first;
    for (size_t i = begin; i < end; ++i, y += m_nGroups) {
#pragma GCC unroll 2
        for (int k = 0; k < kVectors; ++k) {
            const Lanes square = y[k] * y[k];
#pragma GCC unroll 5
            for (size_t r = 0; r < kRuns; ++r)
                sum[k][r] += square;
        }
    }
    for (int k = 0; k < kVectors; ++k)
        for (size_t r = 0; r < kRuns; ++r)
            m_runSums[(first + static_cast<size_t>(k)) * kRuns + r] = sum[k][r];
}

void CKWeightedMeter::AddToRuns(size_t begin, size_t end)
{
    size_t g = 0;
    for (; g + 2 <= m_nGroups; g += 2)
        AddToRuns<2>(g, begin, end);
    if (g < m_nGroups)
        AddToRuns<1>(g, begin, end);
}

// The weighted mean square of the last framesPerBlock frames. Each channel's squares are summed
// in libebur128's order: where the block wraps, the ring's start (the newest frames) first.
double CKWeightedMeter::BlockEnergy(size_t framesPerBlock) const
{
    std::vector<Lanes> sums(m_nGroups, Lanes{});
    const auto takeRun = [&](size_t slot) {
        for (size_t g = 0; g < m_nGroups; ++g)
            sums[g] = m_runSums[g * kRuns + slot];
    };
    // Up to four vectors in one pass: each channel's sum waits on its last addition, so the
    // more channels summed side by side, the less the pass waits.
    const auto addFrames = [&](size_t begin, size_t end) {
        size_t g = 0;
        for (; g + 4 <= m_nGroups; g += 4)
            SumSquares<4>(g, begin, end, &sums[g]);
        switch (m_nGroups - g) {
        case 3: SumSquares<3>(g, begin, end, &sums[g]); break;
        case 2: SumSquares<2>(g, begin, end, &sums[g]); break;
        case 1: SumSquares<1>(g, begin, end, &sums[g]); break;
        default: break;
        }
    };
    const bool wraps = m_nIndex < framesPerBlock;
    const size_t slot = RunFrom(wraps ? 0 : m_nIndex - framesPerBlock);
    if (slot != kNoRun)
        takeRun(slot);
    else
        addFrames(wraps ? 0 : m_nIndex - framesPerBlock, m_nIndex);
    if (wraps)
        addFrames(m_nRingFrames - (framesPerBlock - m_nIndex), m_nRingFrames);
    double sum = 0.0;
    for (int c = 0; c < m_nChannels; ++c) {
        const int weight = m_weights[static_cast<size_t>(c)];
        if (weight == EBUR128_UNUSED)
            continue;
        double channelSum = sums[static_cast<size_t>(c / kLanes)][c % kLanes];
        const double factor = WeightFactor(weight);
        if (factor != 1.0)
            channelSum *= factor;
        sum += channelSum;
    }
    return sum / static_cast<double>(framesPerBlock);
}

double CKWeightedMeter::Window(unsigned long ms) const
{
    const size_t frames = m_nRate * ms / 1000;
    if (m_nChannels <= 0 || frames > m_nRingFrames)
        return -HUGE_VAL;
    const double energy = BlockEnergy(frames);
    return energy <= 0.0 ? -HUGE_VAL : LoudnessOf(energy);
}

double CKWeightedMeter::Integrated() const
{
    if (m_blocks.empty())
        return -HUGE_VAL;
    double threshold = 0.0;
    for (double z : m_blocks)
        threshold += z;
    threshold /= static_cast<double>(m_blocks.size());
    threshold *= kRelativeGate;
    double gated = 0.0;
    size_t above = 0;
    for (double z : m_blocks) {
        if (z >= threshold) {
            ++above;
            gated += z;
        }
    }
    if (above == 0)
        return -HUGE_VAL;
    gated /= static_cast<double>(above);
    return LoudnessOf(gated);
}

double CKWeightedMeter::Range() const
{
    if (m_shortTermBlocks.empty())
        return 0.0;
    std::vector<double> sorted = m_shortTermBlocks;
    std::sort(sorted.begin(), sorted.end());
    double power = 0.0;
    for (double z : sorted)
        power += z;
    power /= static_cast<double>(sorted.size());
    const double gate = kRangeGate * power;
    const auto first = std::find_if(sorted.begin(), sorted.end(), [&](double z) { return !(z < gate); });
    const size_t count = static_cast<size_t>(sorted.end() - first);
    if (count == 0)
        return 0.0;
    const double high = first[static_cast<std::ptrdiff_t>(static_cast<double>(count - 1) * 0.95 + 0.5)];
    const double low = first[static_cast<std::ptrdiff_t>(static_cast<double>(count - 1) * 0.1 + 0.5)];
    return LoudnessOf(high) - LoudnessOf(low);
}

}  // namespace quarvik
