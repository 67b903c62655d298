// The picture checks beyond the text's: flashes, red flashes, regular patterns, and luma and
// colour levels outside the broadcast-safe range (kinds 6-10), and the warning of flashing
// that stopped before it failed (kind 12), told when it can no longer fail (five seconds after
// its flashing). Each kind has a fault run of its own, independent of the text's one picture
// run, since a flashing or illegal picture may also be black or a still.
//
// Fed with every decoded picture (before scaling) and its duration, it keeps the material's
// own time (the sum of the durations before a picture) and reports each fault run that is long
// enough, in check frames (1/25 s from the start), with a snapshot of the analysis picture
// taken when the run began. Owned and called by one check thread.
#pragma once

#include "ContentParams.h"
#include "FaultKinds.h"
#include "FlashTests.h"
#include "LevelTests.h"

#include <opencv2/core/mat.hpp>

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <utility>

struct AVFrame;

namespace quarvik {

class CPictureSafety {
public:
    // A fault run to report: code, first check frame, length in check frames, snapshot.
    using Notify = std::function<void(int32_t code, int32_t begin, int32_t length, const cv::Mat* snapshot)>;

    // The parameter table is borrowed and read with every picture.
    explicit CPictureSafety(const ContentParam_t* params) : m_params(params) {}

    void Reset();
    // One picture as decoded, lasting duration microseconds; analysis is the check's own
    // small colour picture of it (copied for a snapshot).
    void OnPicture(const AVFrame* decoded, int64_t duration, const cv::Mat& analysis, const Notify& notify);
    // Reports the runs still open at the end of the material.
    void Flush(const Notify& notify);

private:
    struct Run {
        bool open = false;
        int64_t begin = 0;    // start time of its first picture (microseconds)
        int64_t last = 0;     // start time of its last picture
        int64_t lastEnd = 0;  // end time of its last picture
        cv::Mat snapshot;
    };
    static constexpr int kKinds = kFaultFlashWarning - kFaultFlash + 1;  // indexed by code - kFaultFlash
    // The picture a stretch of flashing began on (its start time), for its warning.
    using StretchPicture = std::pair<int64_t, cv::Mat>;

    // One picture's verdict for a kind: faulty with the stretch it makes faulty, or not.
    // lookBack: how far behind a later verdict may still reach (the flash windows).
    void Feed(int kind, bool faulty, const TimeSpan& span, int64_t duration, int64_t lookBack,
              const cv::Mat& analysis, const Notify& notify);
    void Close(int kind, const Notify& notify);
    // Reports the stretches of the rate that retired without failing as warnings.
    void TakeWarnings(CFlashRate& rate, std::deque<StretchPicture>& pictures, const cv::Mat& analysis,
                      int64_t duration, const Notify& notify);
    bool On(int32_t code) const { return m_params[code].nEnable != 0; }

    const ContentParam_t* m_params;
    int64_t m_time = 0;  // start time of the next picture
    PictureSamples m_samples;
    CTransitionTracker m_luminanceSteps, m_redSteps;
    CFlashRate m_flashRate, m_redRate;
    std::deque<StretchPicture> m_flashPictures, m_redPictures;
    std::array<Run, kKinds> m_runs;
};

}  // namespace quarvik
