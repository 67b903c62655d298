// CLoudnessMeter: programme loudness (EBU R128 / ITU-R BS.1770-4, the figures libebur128 gives)
// of the decoded sound, in its own channel layout and sample rate: the channels weighted by their
// positions (surrounds +1.5 dB, LFE left out).
//
// Integrated loudness, loudness range and momentary/short-term loudness are measured on the
// caller's thread (KWeightedMeter.h). The true peak (oversampling, skipped where it cannot
// raise the peak: TruePeakScan.h) is measured on a thread of the meter's own, fed through a
// bounded queue; Result() waits for it. One object, one owner thread; the worker thread lives
// between the first Add and Result (or Reset).
#pragma once

#include "KWeightedMeter.h"
#include "Loudness.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <cstddef>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

struct AVFrame;

namespace quarvik {

class CLoudnessMeter {
public:
    CLoudnessMeter() = default;
    CLoudnessMeter(const CLoudnessMeter&) = delete;
    CLoudnessMeter& operator=(const CLoudnessMeter&) = delete;
    ~CLoudnessMeter();

    // Drops any measurement; the next Add starts a new one.
    void Reset();
    // The programme is two one-channel tracks (tracks 0 and 1 of the same rate), measured as a
    // stereo pair; otherwise it is track 0 in its own layout, or its first two channels as a
    // stereo pair when it has more than 8 channels without positions. Set before the first Add.
    void SetPairedMonoTracks(bool paired) { m_bPairedMono = paired; }
    // One decoded sound unit of a track (from 0), any FFmpeg sample format, packed or planar;
    // units of tracks outside the programme are ignored. A unit whose layout or rate differs
    // from the previous one continues the measurement in its form.
    void Add(const AVFrame* sound, int track = 0);
    // True once any sound was added.
    bool HasSound() const { return m_bMeasuring; }
    // The figures of everything added so far; ends the measurement (call Reset to reuse).
    LoudnessInfo_t Result();

private:
    static constexpr double kInfinity = std::numeric_limits<double>::infinity();

    struct Chunk {
        int channels = 0;
        int rate = 0;
        std::vector<float> samples;  // interleaved
    };

    bool Configure(int channels, int rate, std::vector<int> map);
    void AddPaired(const AVFrame* sound, int track);
    void Measure(const float* samples, int frames);
    void FeedPair(size_t frames);
    void Feed(const float* samples, int frames);
    void QueueForPeak(const float* samples, int frames);
    void SendPending();
    void PeakWorker();
    void StopPeakWorker();

    CKWeightedMeter m_meter;            // I, LRA and the 100 ms blocks of M and S
    bool m_bMeasuring = false;
    int m_nChannels = 0;
    int m_nRate = 0;
    std::vector<int> m_channelMap;
    std::vector<float> m_interleaved;
    bool m_bPairedMono = false;
    std::vector<float> m_pair[2];  // samples of each mono track not yet measured with the other's

    // The momentary (400 ms) and short-term (3 s) loudness at every 100 ms of sound, from the
    // mean square of each 100 ms block: libebur128 would sum the whole window at every mark.
    static constexpr int kShortTermBlocks = 30;
    static constexpr int kMomentaryBlocks = 4;
    double WindowLoudness(int blocks) const;

    int m_nHop = 0;           // sample frames per 100 ms
    int m_nSinceHop = 0;      // sample frames fed since the last 100 ms mark
    int64_t m_llHops = 0;     // 100 ms marks passed
    double m_blockEnergy[kShortTermBlocks] = {};  // weighted mean squares, a ring by mark
    double m_fMaxMomentary = -kInfinity;
    double m_fMaxShortTerm = -kInfinity;
    std::vector<float> m_shortTerm;

    // True peak on its own thread.
    std::thread m_peakThread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Chunk> m_queue;
    Chunk m_pending;  // gathered on the caller's thread, not yet queued
    bool m_bEndOfInput = false;
    double m_fTruePeak = 0.0;  // linear, written by the worker before it ends
};

}  // namespace quarvik
