// CFFCheck: the content-check engine for one file.
//
// It pulls decoded units from CFFCapture, classifies every picture (DetectPicture) and every
// sound unit per channel (DetectSound), turns runs of equal verdicts into fault events and
// notifies its result sink of each; a video stream that shows no picture while the input goes
// on is notified as video lost (VideoLoss.h, with a black snapshot). Now and then it sends a
// preview picture to its monitor.
// One object serves one file and re-reads the parameter file when it is created. Every call
// runs on the owning check thread; listeners are called synchronously on that thread.
#pragma once

#include "CheckNotify.h"
#include "ContentParams.h"
#include "FFCapture.h"
#include "BreakUp.h"
#include "LoudnessMeter.h"
#include "StillHold.h"
#include "VideoLoss.h"

#include <opencv2/core/mat.hpp>

#include <cstdint>
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

    // Picture classification: feeds the picture run.
    void DetectPicture(int32_t frameIndex, const uint8_t* pixels, int width, int height,
                       int byteCount);
    // Sound classification per channel: feeds the left and right runs. Units come in decoding
    // order at one rate (48 kHz from the capture); a unit's time is the check frame in which
    // its first sample lies, counted from the start of the file.
    void DetectSound(int channels, int sampleRate, int sampleCount, const int16_t* samples);

    // Pictures per second since the last call (whole seconds, integer division; 0 when the
    // clock has not advanced); restarts the measurement at now.
    int32_t TakeSpeed(int64_t nowSeconds);
    // Position over duration, in percent, truncated; 0 without a known duration.
    int32_t ProgressPercent() const;
    int32_t PictureCount() const { return m_nPictureCount; }
    int32_t SoundCount() const { return m_nSoundCount; }
    int32_t LastPictureIndex() const { return m_nLastPictureIndex; }
    const ContentParam_t* Params() const { return m_params; }
    ContentParam_t* MutableParams() { return m_params; }

protected:
    void OnPacketTime(bool video, int64_t pts, int64_t end) override;

private:
    // A settled picture verdict: feeds the picture run and keeps the snapshot of its first picture.
    void TakePictureVerdict(const CStillHold::Verdict& verdict);
    void UpdateRun(FaultRun& run, int32_t t, int32_t code, int32_t value);
    void CloseRun(FaultRun& run, int32_t t);
    // Reports a loss of pictures that is long enough, or any loss when always is set.
    void ReportVideoLost(const VideoLossTracker::Loss& loss, bool always);
    VideoLossTracker::Loss BrokenOffLoss() const;
    void NotifyFault(int32_t code, int32_t begin, int32_t length, int32_t value, const cv::Mat* image);
    void SendPreview(const uint8_t* pixels, int width, int height);
    ResultNotify_t MakeNotice() const;

    int32_t m_nPreviewPeriod = 50;
    int32_t m_nPreviewCounter = 0;
    int32_t m_nMonitorFlag = 0;
    ICheckMonitor* m_pMonitor = nullptr;
    ICheckResultSink* m_pResultSink = nullptr;
    ContentParam_t m_params[kContentParamCount];

    FaultRun m_pictureRun, m_leftRun, m_rightRun;
    int32_t m_nLastSoundTime = 0;
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
    cv::Mat m_snapshot;    // first picture of the current picture fault run, empty when none
    int32_t m_nLastVerdict = 100;

    // Sound samples (at the rate handed on, 48 kHz) analysed so far in this file.
    int64_t m_llSoundSamples = 0;
    // Programme loudness of the decoded sound; sent with the check-finished notice.
    CLoudnessMeter m_loudness;
    VideoLossTracker m_videoLoss;
    cv::Mat m_noPicture;  // the snapshot of a video-lost event: black, made when first needed
};

}  // namespace quarvik
