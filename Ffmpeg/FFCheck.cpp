#include "FFCheck.h"

#include "FaultKinds.h"
#include "PictureTests.h"
#include "SoundTests.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <mutex>

namespace quarvik {

CFFCheck::CFFCheck(const std::string& paramsPath)
{
    // The analysis pictures are tiny: OpenCV's worker threads would cost more than they give
    // and compete with the decoder threads.
    static std::once_flag once;
    std::call_once(once, [] { cv::setNumThreads(0); });
    LoadContentParams(m_params, paramsPath);
    for (int i = 0; i < kContentParamCount; ++i)
        m_params[i].nFault = i;
}

CFFCheck::~CFFCheck() = default;

bool CFFCheck::StartCheck(const char* path, int32_t taskId, int32_t subTaskId)
{
    m_nTaskID = taskId;
    m_nSubTaskID = subTaskId;
    m_pictureRun = m_leftRun = m_rightRun = FaultRun{};
    m_nLastSoundTime = 0;
    m_nLastPictureIndex = 0;
    m_nLastVerdict = kNoFault;
    m_prevGrey.release();
    m_stillHold.Reset();
    m_bBlocky = false;
    m_snapshot.release();
    m_llSoundSamples = 0;
    m_loudness.Reset();
    m_videoLoss.Reset();

    if (!Open(path) || !SetAudioOut() || !SetVideoOut(m_nAnalysisWidth, m_nAnalysisHeight))
        return false;
    if (MediaStart() != kNoMediaTime && Duration() > 0)
        m_videoLoss.SetInputSpan(MediaStart(), MediaStart() + Duration());
    m_llTickTime = static_cast<int32_t>(std::time(nullptr));
    m_nTickFrame = 0;
    m_nPictureCount = m_nSoundCount = m_nPreviewCounter = 0;
    return true;
}

bool CFFCheck::Step()
{
    const AVFrame* unit = nullptr;
    switch (ReadFrame(&unit)) {
    case kReadEnd:
        return false;
    case kReadPicture: {
        ReportVideoLost(m_videoLoss.OnPicture(PictureTime(), PictureDuration()), false);
        const int width = unit->width, height = unit->height;
        if (m_nMonitorFlag)
            SendPreview(unit->data[0], width, height);
        const int32_t index = m_nPictureCount++;
        m_luma = LumaOf(DecodedPicture());
        DetectPicture(index, unit->data[0], width, height, width * height * 3);
        m_luma = LumaPlane{};
        return true;
    }
    case kReadSound:
        m_loudness.Add(DecodedSound());
        DetectSound(unit->ch_layout.nb_channels, unit->sample_rate, unit->nb_samples,
                    reinterpret_cast<const int16_t*>(unit->data[0]));
        return true;
    default:
        return true;
    }
}

void CFFCheck::SendPreview(const uint8_t* pixels, int width, int height)
{
    if (m_nPreviewCounter == 0 && m_pMonitor) {
        BitmapInfoHeader_t header{};
        header.biSize = sizeof(BitmapInfoHeader_t);
        header.biWidth = width;
        header.biHeight = -height;
        header.biPlanes = 1;
        header.biBitCount = 24;
        header.biSizeImage = static_cast<uint32_t>(width * height * 3);
        m_pMonitor->OnPreviewPicture(header, pixels);
    }
    if (++m_nPreviewCounter > m_nPreviewPeriod)
        m_nPreviewCounter = 0;
}

void CFFCheck::DetectPicture(int32_t frameIndex, const uint8_t* pixels, int width, int height,
                             int byteCount)
{
    int32_t verdict = kNoFault;
    bool repeat = false;
    cv::Mat colour, grey;
    if (pixels && width > 0 && height > 0 && byteCount >= width * height * 3) {
        // The engine only reads the picture; the snapshot below takes its own copy.
        colour = cv::Mat(height, width, CV_8UC3, const_cast<uint8_t*>(pixels));
        const cv::Rect region = AnalysisRegion(width, height);
        if (!region.empty()) {
            const cv::Mat area = colour(region);
            cv::cvtColor(area, grey, cv::COLOR_BGR2GRAY);
            PictureSample sample;
            sample.colour = &area;
            sample.luma = &m_luma;  // empty unless Step decoded this picture: no mosaic then
            sample.blockyBefore = m_bBlocky;
            verdict = ClassifyPicture(grey, m_prevGrey, m_params, &sample);
            m_bBlocky = sample.blocky;
            repeat = sample.repeat;
        }
    }

    m_settled.clear();
    m_stillHold.Add(frameIndex, verdict, repeat, grey, colour, m_params[kFaultStillFrame], m_settled);
    for (const CStillHold::Verdict& settled : m_settled)
        TakePictureVerdict(settled);
    m_nLastPictureIndex = frameIndex;
}

void CFFCheck::TakePictureVerdict(const CStillHold::Verdict& verdict)
{
    UpdateRun(m_pictureRun, verdict.index, verdict.code, 0);
    if (verdict.code != kNoFault && (verdict.code != m_nLastVerdict || m_snapshot.empty()))
        m_snapshot = verdict.picture.clone();
    if (verdict.code == kNoFault)
        m_snapshot.release();
    m_nLastVerdict = verdict.code;
}

void CFFCheck::DetectSound(int channels, int sampleRate, int sampleCount,
                           const int16_t* samples)
{
    const ChannelPeaks peaks = MeasurePeaks(samples, channels, sampleCount);
    // A unit lies in the check frame of its first sample. Codecs cut units of many sizes
    // (a short first one, 1097 to 1115 samples when resampled from 44.1 kHz), so only the
    // samples counted so far give the time; one unit's length would drift.
    const int32_t t = sampleRate > 0
        ? static_cast<int32_t>(m_llSoundSamples * kCheckFramesPerSecond / sampleRate)
        : m_nLastSoundTime;
    if (sampleCount > 0)
        m_llSoundSamples += sampleCount;
    ++m_nSoundCount;

    if (m_params[kFaultSilenceLeft].nEnable) {
        const int32_t level = LevelDbfs(peaks.left);
        m_nLastSoundTime = t;
        UpdateRun(m_leftRun, t, ClassifyLevel(level, m_params, kFaultSilenceLeft), level);
    }
    if (m_params[kFaultSilenceRight].nEnable) {
        const int32_t level = LevelDbfs(peaks.right);
        m_nLastSoundTime = t;
        UpdateRun(m_rightRun, t, ClassifyLevel(level, m_params, kFaultSilenceRight), level);
    }
}

void CFFCheck::UpdateRun(FaultRun& run, int32_t t, int32_t code, int32_t value)
{
    if (code == run.nCode)
        return;  // the run goes on; its value stays that of its first unit
    if (!run.IsIdle())
        CloseRun(run, t);
    run = FaultRun{};
    if (code != kNoFault)
        run = FaultRun{code, t, 0, value};
}

void CFFCheck::CloseRun(FaultRun& run, int32_t t)
{
    run.nLength = t - run.nBegin;
    const bool known = run.nCode >= 0 && run.nCode < kContentParamCount;
    if (!known || run.nLength < m_params[run.nCode].nDuration)
        return;
    NotifyFault(run.nCode, run.nBegin, run.nLength, run.nValue,
                IsPictureFault(run.nCode) && !m_snapshot.empty() ? &m_snapshot : nullptr);
}

void CFFCheck::OnPacketTime(bool video, int64_t pts, int64_t end)
{
    m_videoLoss.OnInput(pts, end);
    if (video)
        m_videoLoss.OnVideoPacket(pts);
}

void CFFCheck::ReportVideoLost(const VideoLossTracker::Loss& loss, bool always)
{
    const ContentParam_t& param = m_params[kFaultVideoLost];
    if (!param.nEnable || loss.length <= 0 || (!always && loss.length < param.nDuration))
        return;
    if (m_noPicture.empty())
        m_noPicture = cv::Mat::zeros(m_nAnalysisHeight, m_nAnalysisWidth, CV_8UC3);
    NotifyFault(kFaultVideoLost, loss.begin, loss.length, 0, &m_noPicture);
}

void CFFCheck::NotifyFault(int32_t code, int32_t begin, int32_t length, int32_t value, const cv::Mat* image)
{
    if (m_pMonitor && m_nMonitorFlag)
        m_pMonitor->OnFaultMark(begin, begin + length - 1);
    if (!m_pResultSink)
        return;
    ResultNotify_t notice = MakeNotice();
    notice.nFault = code;
    notice.tmBegin = begin;
    notice.tmEnd = begin + length - 1;
    notice.nValue = value;
    notice.pImage = image;
    m_pResultSink->OnFaultNotice(notice);
}

void CFFCheck::Flush()
{
    for (FaultRun* run : {&m_leftRun, &m_rightRun}) {
        if (!run->IsIdle())
            CloseRun(*run, m_nLastSoundTime);
        *run = FaultRun{};
    }
    m_settled.clear();
    m_stillHold.Finish(m_settled);
    for (const CStillHold::Verdict& settled : m_settled)
        TakePictureVerdict(settled);
    if (!m_pictureRun.IsIdle())
        CloseRun(m_pictureRun, m_nLastPictureIndex);
    m_pictureRun = FaultRun{};
    // A video stream without a single picture is lost however short the input.
    if (HasVideo() && !InputBrokeOff())
        ReportVideoLost(m_videoLoss.AtEnd(), !m_videoLoss.HadPicture());
    if (HasVideo() && InputBrokeOff())
        ReportVideoLost(BrokenOffLoss(), true);
}

bool CFFCheck::CanReportBreak() const
{
    return HasVideo() && m_params[kFaultVideoLost].nEnable;
}

VideoLossTracker::Loss CFFCheck::BrokenOffLoss() const
{
    // From where the pictures ended to the end the input declared, at least one check frame:
    // what never arrived was never checked.
    VideoLossTracker::Loss loss = m_videoLoss.AtEnd();
    if (loss.length <= 0)
        loss = {m_videoLoss.HadPicture() ? m_nLastPictureIndex + 1 : 0, 0};
    const int64_t declared = Duration() / (1000000 / kCheckFramesPerSecond);
    loss.length = static_cast<int32_t>(
        std::max<int64_t>({loss.length, 1, std::min<int64_t>(declared, INT32_MAX) - loss.begin}));
    return loss;
}

ResultNotify_t CFFCheck::MakeNotice() const
{
    ResultNotify_t notice;
    std::memset(&notice, 0, sizeof(notice));
    notice.nTaskID = m_nTaskID;
    notice.nSubTaskID = m_nSubTaskID;
    return notice;
}

void CFFCheck::NotifyCheckFinished()
{
    if (!m_pResultSink)
        return;
    ResultNotify_t notice = MakeNotice();
    notice.nFrame = m_nLastPictureIndex;
    if (m_loudness.HasSound())
        m_pResultSink->OnLoudness(m_nTaskID, m_nSubTaskID, m_loudness.Result());
    m_pResultSink->OnCheckFinished(notice);
}

void CFFCheck::NotifyOpenFailed()
{
    if (!m_pResultSink)
        return;
    ResultNotify_t notice = MakeNotice();
    notice.nFrame = m_nLastPictureIndex;
    m_pResultSink->OnOpenFailed(notice);
}

int32_t CFFCheck::TakeSpeed(int64_t nowSeconds)
{
    const int64_t elapsed = nowSeconds - m_llTickTime;
    const int32_t speed =
        elapsed > 0 ? static_cast<int32_t>((m_nLastPictureIndex - m_nTickFrame) / elapsed) : 0;
    m_llTickTime = nowSeconds;
    m_nTickFrame = m_nLastPictureIndex;
    return speed;
}

int32_t CFFCheck::ProgressPercent() const
{
    const int64_t duration = Duration();
    if (duration <= 0)
        return 0;
    const float percent = static_cast<float>(Position()) / static_cast<float>(duration) * 100.0f;
    return std::clamp(static_cast<int32_t>(percent), 0, 100);
}

}  // namespace quarvik
