// CFFCheck: the content-check engine for one file.
//
// It pulls decoded units from CFFCapture, classifies every picture (DetectPicture) and every
// sound unit per channel (DetectSound), turns runs of equal verdicts into fault events and
// notifies its result sink of each; a video stream that shows no picture while the input goes
// on is notified as video lost (VideoLoss.h, with a black snapshot), pictures and sound that did
// not decode cleanly, and material shorter than its container declares, as decoding errors.
// Now and then it sends a preview picture to its monitor.
//
// Time: every event is in check frames (1/25 s) from the first picture. Material of 25
// pictures a second is timed by picture index, as it always was; any other rate by each
// picture's presentation time, so its events lie at their real times.
// One object serves one file and re-reads the parameter file when it is created. Every call
// runs on the owning check thread; listeners are called synchronously on that thread.
#pragma once

#include "CheckNotify.h"
#include "ContentParams.h"
#include "FFCapture.h"
#include "BreakUp.h"
#include "LoudnessMeter.h"
#include "PictureSafety.h"
#include "StillHold.h"
#include "VideoLoss.h"

#include <opencv2/core/mat.hpp>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quarvik {

class CFFCheck : public CFFCapture {
public:
    // A run of equal verdicts: code kNoFault when idle; begin and length in check frames.
    struct FaultRun {
        int32_t nCode = 100;
        int32_t nBegin = 0;
        int32_t nLength = 0;
        int32_t nValue = 0;
        bool IsIdle() const { return nCode == 100; }
    };

    explicit CFFCheck(const std::string& paramsPath = ContentParamsPath());
    virtual ~CFFCheck();

    // Listeners; null sends nowhere. Set between steps by the owning thread.
    void SetResultSink(ICheckResultSink* sink) { m_pResultSink = sink; }
    void SetMonitor(ICheckMonitor* monitor, int32_t monitorFlag)
    {
        m_pMonitor = monitor;
        m_nMonitorFlag = monitorFlag;
    }
    // 0 previews every picture; the default 50 every 51st.
    void SetPreviewPeriod(int32_t period) { m_nPreviewPeriod = period; }

    bool StartCheck(const char* path, int32_t taskId, int32_t subTaskId);
    // One unit; false at the end of input.
    bool Step();
    // Closes the open runs at the end of input and reports video lost after the last picture;
    // a network input that broke off (InputBrokeOff) is video lost from its last picture to
    // its declared end, however short.
    void Flush();
    // Whether a broken-off input can be reported as video lost (a video stream, the kind on);
    // otherwise the check ends as interrupted.
    bool CanReportBreak() const;
    void NotifyCheckFinished();
    void NotifyOpenFailed();

    // Picture classification: feeds the picture run. frameIndex is the picture's time in check
    // frames (its index in 25 fps material).
    void DetectPicture(int32_t frameIndex, const uint8_t* pixels, int width, int height,
                       int byteCount);
    // Holds a reference to the picture just judged (none for nothing decoded) for the next.
    void KeepAsPreviousPicture(const AVFrame* decoded);
    // Sound classification of every channel of a track (from 0), each on its own run: the first
    // two channels of track 0 are the left and right channel (codes 16-21), every other channel
    // is judged with the limits of codes 22-24. Units of a track come in decoding order at one
    // rate (48 kHz from the capture); a unit's time is the check frame in which its first
    // sample lies, counted from the start of the file.
    void DetectSound(int channels, int sampleRate, int sampleCount, const int16_t* samples, int track = 0);

    // Pictures per second since the last call (whole seconds, integer division; 0 when the
    // clock has not advanced); restarts the measurement at now.
    int32_t TakeSpeed(int64_t nowSeconds);
    // Position over duration, in percent, truncated; 0 without a known duration.
    int32_t ProgressPercent() const;
    int32_t PictureCount() const { return m_nPictureCount; }
    int32_t SoundCount() const { return m_nSoundCount; }
    // The check frame of the last analysed picture (its index in 25 fps material).
    int32_t LastPictureIndex() const { return m_nLastPictureIndex; }
    // Check frames covered by the pictures analysed so far: the picture count at 25 a second.
    int32_t AnalysedTime() const { return m_nPictureCount > 0 ? m_nLastPictureIndex + 1 : 0; }
    // The material's own clock, known once the check started.
    const MaterialClock& MaterialTime() const { return m_clock; }
    const ContentParam_t* Params() const { return m_params; }
    ContentParam_t* MutableParams() { return m_params; }

protected:
    void OnPacketTime(bool video, int64_t pts, int64_t end) override;
    void OnDamage(bool video, int64_t time, int64_t end) override;

private:
    // One channel of a track: its run and what its events carry.
    struct SoundChannelRun {
        FaultRun run;
        int32_t nGroup = 0;  // silence code of its limits: 16, 19 or 22
        int32_t nChannel = 0;
    };
    // One sound track: samples analysed, the time of its last unit, its channels.
    struct SoundTrackRuns {
        int64_t llSamples = 0;
        int32_t nRate = 0;
        int32_t nLastTime = 0;
        std::vector<SoundChannelRun> channels;
        std::vector<int32_t> peaks;
    };

    SoundTrackRuns& TrackRuns(int track, int channels);
    // The programme is a pair of one-channel tracks (tracks 1 and 2 of an 8-track MXF).
    bool PairedMonoTracks() const;
    void FlushSound();
    // The check frame of the latest sound unit of any track.
    int32_t LastSoundTime() const;
    void UpdateRun(FaultRun& run, int32_t t, int32_t code, int32_t value, int32_t track = -1, int32_t channel = 0);
    void CloseRun(FaultRun& run, int32_t t, int32_t track = -1, int32_t channel = 0);
    // A stretch of damage, first to last check frame; decoding errors less than a second
    // apart are one stretch.
    struct DamageRun {
        bool active = false;
        int32_t first = 0, last = 0;
        cv::Mat snapshot;  // the first picture of the stretch that was analysed, if any
    };

    int32_t PictureCheckFrame(int32_t index);
    // A media time in check frames from the first picture (from the input's start before it).
    int32_t CheckFrameAt(int64_t time) const;
    void MarkDamage(int32_t first, int32_t last, const cv::Mat* picture);
    // Video damage up to check frame last: the pictures after it are judged for break-up.
    void ReachDamage(int32_t last);
    void CloseDamage();
    // Material that ends before the duration its container declares is damaged to its end.
    void CheckDeclaredEnd();
    const cv::Mat& NoPicture();
    // A settled picture verdict: feeds the picture run and keeps the snapshot of its first picture.
    void TakePictureVerdict(const CStillHold::Verdict& verdict);
    // Reports a loss of pictures that is long enough, or any loss when always is set.
    void ReportVideoLost(const VideoLossTracker::Loss& loss, bool always);
    VideoLossTracker::Loss BrokenOffLoss() const;
    void NotifyFault(int32_t code, int32_t begin, int32_t length, int32_t value, const cv::Mat* image,
                     int32_t track = -1, int32_t channel = 0);
    CPictureSafety::Notify SafetyNotice();
    void SendPreview(const uint8_t* pixels, int width, int height);
    ResultNotify_t MakeNotice() const;

    int32_t m_nPreviewPeriod = 50;
    int32_t m_nPreviewCounter = 0;
    int32_t m_nMonitorFlag = 0;
    ICheckMonitor* m_pMonitor = nullptr;
    ICheckResultSink* m_pResultSink = nullptr;
    ContentParam_t m_params[kContentParamCount];

    FaultRun m_pictureRun;
    std::vector<SoundTrackRuns> m_soundTracks;
    int32_t m_nLastPictureIndex = 0;
    int32_t m_nTaskID = -1;
    int32_t m_nSubTaskID = 0;
    int64_t m_llTickTime = 0;
    int32_t m_nTickFrame = 0;
    int32_t m_nAnalysisWidth = 160;
    int32_t m_nAnalysisHeight = 120;
    int32_t m_nPictureCount = 0;
    int32_t m_nSoundCount = 0;

    cv::Mat m_prevGrey;    // still-frame reference, empty at the start of a file
    CStillHold m_stillHold;
    std::vector<CStillHold::Verdict> m_settled;  // reused for each picture
    LumaPlane m_luma;      // the decoded luma of the picture being judged; empty outside Step
    bool m_bBlocky = false;  // the last judged picture showed break-up
    // Video damage reaches the pictures decoded from it until a clean key picture after it
    // refreshes them all, at most kDamageReachFrames: up to m_nDamageReach pictures are
    // judged for the broken bands of concealment (-1: none). m_nDamageLast is the last check
    // frame of that damage; m_bNearDamage tells DetectPicture.
    int32_t m_nDamageReach = -1, m_nDamageLast = -1;
    bool m_bNearDamage = false;
    // The picture decoded before the one being judged (a reference, or nothing): its streaked
    // bands are worked out only when a damaged picture asks for them.
    struct FrameRelease {
        void operator()(AVFrame* frame) const;
    };
    std::unique_ptr<AVFrame, FrameRelease> m_pPreviousPicture;
    std::vector<uint8_t> m_streaked;  // StreakedBands of m_pPreviousPicture, near damage
    cv::Mat m_snapshot;    // first picture of the current picture fault run, empty when none
    int32_t m_nLastVerdict = 100;

    // Programme loudness of the decoded sound; sent with the check-finished notice.
    CLoudnessMeter m_loudness;
    VideoLossTracker m_videoLoss;
    cv::Mat m_noPicture;  // the snapshot of a video-lost event: black, made when first needed
    // Flashes, patterns and signal levels of the decoded pictures (kinds 6-10).
    CPictureSafety m_safety{m_params};

    MaterialClock m_clock;
    bool m_bByTime = false;                 // pictures timed by presentation time, not index
    int64_t m_llOrigin = kNoMediaTime;      // media time of check frame 0: the first picture
    int64_t m_llLastPictureTime = kNoMediaTime;
    int64_t m_llInputEnd = kNoMediaTime;    // the latest time a packet of a chosen stream reached
    DamageRun m_damage;
};

}  // namespace quarvik
