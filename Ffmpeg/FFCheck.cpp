#include "FFCheck.h"

#include "FaultKinds.h"
#include "PictureTests.h"
#include "SoundTests.h"
#include "TextField.h"

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
namespace {

constexpr int64_t kMicrosecondsPerCheckFrame = 1000000 / kCheckFramesPerSecond;
// Decoding errors closer than this are one stretch of damage.
constexpr int32_t kDamageJoinFrames = kCheckFramesPerSecond;
// Pictures up to this long after video damage may be predicted from what was concealed.
constexpr int32_t kDamageReachFrames = 2 * kCheckFramesPerSecond;
// Material that ends this much before its declared duration was cut short; less is the usual
// difference between a container's stated duration and the end of its last packet.
constexpr int64_t kShortfallMicroseconds = 1000000;

}  // namespace

CFFCheck::CFFCheck(const std::string& paramsPath)
{
    // The analysis pictures are tiny: OpenCV's worker threads would cost more than they give
    // and compete with the decoder threads.
    static std::once_flag once;
    std::call_once(once, [] { cv::setNumThreads(0); });
    SetAllSoundTracks(true);
    LoadContentParams(m_params, paramsPath);
    for (int i = 0; i < kContentParamCount; ++i)
        m_params[i].nFault = i;
}

CFFCheck::~CFFCheck() = default;

void CFFCheck::FrameRelease::operator()(AVFrame* frame) const
{
    av_frame_free(&frame);
}

void CFFCheck::KeepAsPreviousPicture(const AVFrame* decoded)
{
    if (!m_pPreviousPicture)
        m_pPreviousPicture.reset(av_frame_alloc());
    if (!m_pPreviousPicture)
        return;
    av_frame_unref(m_pPreviousPicture.get());
    if (decoded && av_frame_ref(m_pPreviousPicture.get(), decoded) < 0)
        av_frame_unref(m_pPreviousPicture.get());
}

bool CFFCheck::StartCheck(const char* path, int32_t taskId, int32_t subTaskId)
{
    m_nTaskID = taskId;
    m_nSubTaskID = subTaskId;
    m_pictureRun = FaultRun{};
    m_soundTracks.clear();
    m_nLastPictureIndex = 0;
    m_nLastVerdict = kNoFault;
    m_prevGrey.release();
    m_stillHold.Reset();
    m_bBlocky = false;
    m_nDamageReach = m_nDamageLast = -1;
    m_streaked.clear();
    m_pPreviousPicture.reset();
    m_snapshot.release();
    m_loudness.Reset();
    m_videoLoss.Reset();
    m_safety.Reset();
    m_llOrigin = m_llLastPictureTime = m_llInputEnd = kNoMediaTime;
    m_damage = DamageRun{};

    if (!Open(path) || !SetAudioOut() || !SetVideoOut(m_nAnalysisWidth, m_nAnalysisHeight))
        return false;
    // Every channel of every track is judged, also one that never gives a sound unit.
    for (int track = 0; track < SoundTrackCount(); ++track)
        TrackRuns(track, SoundTrackLayout(track)->nb_channels);
    m_loudness.SetPairedMonoTracks(PairedMonoTracks());
    m_clock = Clock();
    m_bByTime = HasVideo() && m_clock.rateNum != kCheckFramesPerSecond * m_clock.rateDen;
    if (m_pResultSink && m_clock.Differs())
        m_pResultSink->OnMaterialClock(m_nTaskID, m_nSubTaskID, m_clock);
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
        const int32_t t = PictureCheckFrame(m_nPictureCount++);
        const AVFrame* decoded = DecodedPicture();
        m_luma = LumaOf(decoded);
        if (PictureDamaged())
            ReachDamage(t);
        else if (t > m_nDamageLast && decoded && (decoded->key_frame || decoded->pict_type == AV_PICTURE_TYPE_I))
            m_nDamageReach = -1;  // a clean key picture after the damage refreshes the whole picture
        m_bNearDamage = t <= m_nDamageReach;
        if (m_bNearDamage && m_params[kFaultMosaic].nEnable)
            StreakedBands(LumaOf(m_pPreviousPicture.get()), m_streaked);
        DetectPicture(t, unit->data[0], width, height, width * height * 3);
        m_bNearDamage = false;
        KeepAsPreviousPicture(decoded);
        m_safety.OnPicture(decoded, PictureDuration(),
                           cv::Mat(height, width, CV_8UC3, unit->data[0], static_cast<size_t>(unit->linesize[0])),
                           SafetyNotice());
        m_luma = LumaPlane{};
        if (PictureDamaged()) {
            const cv::Mat picture(height, width, CV_8UC3, const_cast<uint8_t*>(unit->data[0]), unit->linesize[0]);
            MarkDamage(t, t, &picture);
        }
        return true;
    }
    case kReadSound:
        m_loudness.Add(DecodedSound(), SoundTrack());
        DetectSound(unit->ch_layout.nb_channels, unit->sample_rate, unit->nb_samples,
                    reinterpret_cast<const int16_t*>(unit->data[0]), SoundTrack());
        return true;
    default:
        return true;
    }
}

int32_t CFFCheck::PictureCheckFrame(int32_t index)
{
    int64_t time = PictureTime();
    if (time == kNoMediaTime)  // a picture without a time follows the one before it
        time = m_llLastPictureTime == kNoMediaTime ? 0 : m_llLastPictureTime + PictureDuration();
    if (m_llOrigin == kNoMediaTime)
        m_llOrigin = time;
    m_llLastPictureTime = time;
    if (!m_bByTime)
        return index;
    // Pictures come in presentation order; a damaged timestamp cannot turn time back.
    const int32_t t = CheckFrameAt(time);
    return index > 0 ? std::max(t, m_nLastPictureIndex) : t;
}

int32_t CFFCheck::CheckFrameAt(int64_t time) const
{
    int64_t origin = m_llOrigin;
    if (origin == kNoMediaTime)
        origin = MediaStart() != kNoMediaTime ? MediaStart() : 0;
    // Two microseconds' grace: times rescaled from other time bases may fall just short.
    const int64_t span = time - origin + 2;
    return span > 0 ? static_cast<int32_t>(std::min<int64_t>(span / kMicrosecondsPerCheckFrame, INT32_MAX)) : 0;
}

void CFFCheck::OnDamage(bool video, int64_t time, int64_t end)
{
    if (time == kNoMediaTime)
        time = end;
    const int32_t first = time == kNoMediaTime ? std::max(m_nLastPictureIndex, LastSoundTime()) : CheckFrameAt(time);
    const int32_t last = end == kNoMediaTime || end <= time ? first : CheckFrameAt(end - 1);
    if (video)
        ReachDamage(last);
    MarkDamage(first, last, nullptr);
}

void CFFCheck::ReachDamage(int32_t last)
{
    m_nDamageLast = std::max(m_nDamageLast, last);
    m_nDamageReach = std::max(m_nDamageReach, last + kDamageReachFrames);
}

void CFFCheck::MarkDamage(int32_t first, int32_t last, const cv::Mat* picture)
{
    if (!m_params[kFaultDecodeError].nEnable)
        return;
    last = std::max(first, last);
    DamageRun& run = m_damage;
    if (run.active && first <= run.last + kDamageJoinFrames && last >= run.first - kDamageJoinFrames) {
        run.first = std::min(run.first, first);
        run.last = std::max(run.last, last);
    } else {
        CloseDamage();
        run.active = true;
        run.first = first;
        run.last = last;
    }
    if (picture && run.snapshot.empty())
        run.snapshot = picture->clone();
}

void CFFCheck::CloseDamage()
{
    DamageRun& run = m_damage;
    if (!run.active)
        return;
    const int32_t length = run.last - run.first + 1;
    if (length >= m_params[kFaultDecodeError].nDuration)
        NotifyFault(kFaultDecodeError, run.first, length, 0, run.snapshot.empty() ? &NoPicture() : &run.snapshot);
    run = DamageRun{};
}

void CFFCheck::CheckDeclaredEnd()
{
    if (!DurationDeclared() || MediaStart() == kNoMediaTime || m_llInputEnd == kNoMediaTime)
        return;
    const int64_t declaredEnd = MediaStart() + Duration();
    if (declaredEnd - m_llInputEnd >= kShortfallMicroseconds)
        MarkDamage(CheckFrameAt(m_llInputEnd), CheckFrameAt(declaredEnd) - 1, nullptr);
}

const cv::Mat& CFFCheck::NoPicture()
{
    if (m_noPicture.empty())
        m_noPicture = cv::Mat::zeros(m_nAnalysisHeight, m_nAnalysisWidth, CV_8UC3);
    return m_noPicture;
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
            sample.damaged = m_bNearDamage;
            sample.streakedBefore = &m_streaked;
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

CFFCheck::SoundTrackRuns& CFFCheck::TrackRuns(int track, int channels)
{
    if (static_cast<int>(m_soundTracks.size()) <= track)
        m_soundTracks.resize(static_cast<size_t>(track) + 1);
    SoundTrackRuns& runs = m_soundTracks[static_cast<size_t>(track)];
    for (int c = static_cast<int>(runs.channels.size()); c < channels; ++c) {
        SoundChannelRun channel;
        channel.nChannel = c;
        channel.nGroup = track == 0 && c == 0   ? kFaultSilenceLeft
                         : track == 0 && c == 1 ? kFaultSilenceRight
                                                : kFaultSilenceOther;
        runs.channels.push_back(channel);
    }
    if (static_cast<int>(runs.peaks.size()) < channels)
        runs.peaks.resize(static_cast<size_t>(channels));
    return runs;
}

void CFFCheck::DetectSound(int channels, int sampleRate, int sampleCount, const int16_t* samples, int track)
{
    if (channels <= 0 || track < 0)
        return;
    SoundTrackRuns& runs = TrackRuns(track, channels);
    MeasurePeaks(samples, channels, sampleCount, runs.peaks.data());
    // A unit lies in the check frame of its first sample. Codecs cut units of many sizes
    // (a short first one, 1097 to 1115 samples when resampled from 44.1 kHz), so only the
    // samples counted so far give the time; one unit's length would drift.
    const int32_t t = sampleRate > 0
        ? static_cast<int32_t>(runs.llSamples * kCheckFramesPerSecond / sampleRate)
        : runs.nLastTime;
    if (sampleCount > 0)
        runs.llSamples += sampleCount;
    if (sampleRate > 0)
        runs.nRate = sampleRate;
    runs.nLastTime = t;
    ++m_nSoundCount;

    for (int c = 0; c < channels; ++c) {
        SoundChannelRun& channel = runs.channels[static_cast<size_t>(c)];
        if (!m_params[channel.nGroup].nEnable)
            continue;
        const int32_t level = LevelDbfs(runs.peaks[static_cast<size_t>(c)]);
        UpdateRun(channel.run, t, ClassifyLevel(level, m_params, channel.nGroup), level, track, c);
    }
}

bool CFFCheck::PairedMonoTracks() const
{
    return SoundTrackCount() >= 2 && SoundTrackLayout(0)->nb_channels == 1 &&
           SoundTrackLayout(1)->nb_channels == 1 && SoundTrackRate(0) == SoundTrackRate(1);
}

// Closes every channel's run at the time of its track's last unit. A track whose sound stops
// before the others' (or never starts) is silent from its end to theirs.
int32_t CFFCheck::LastSoundTime() const
{
    int32_t last = 0;
    for (const SoundTrackRuns& runs : m_soundTracks)
        last = std::max(last, runs.nLastTime);
    return last;
}

void CFFCheck::FlushSound()
{
    const int32_t end = LastSoundTime();
    for (size_t track = 0; track < m_soundTracks.size(); ++track) {
        SoundTrackRuns& runs = m_soundTracks[track];
        const int32_t stop = runs.nRate > 0 ? static_cast<int32_t>(runs.llSamples * kCheckFramesPerSecond / runs.nRate) : 0;
        const bool early = stop < end;
        const int32_t silence = LevelDbfs(0);
        for (SoundChannelRun& channel : runs.channels) {
            const int t = static_cast<int>(track);
            if (early && m_params[channel.nGroup].nEnable)
                UpdateRun(channel.run, stop, ClassifyLevel(silence, m_params, channel.nGroup), silence, t, channel.nChannel);
            if (!channel.run.IsIdle())
                CloseRun(channel.run, early ? end : runs.nLastTime, t, channel.nChannel);
            channel.run = FaultRun{};
        }
    }
}

void CFFCheck::UpdateRun(FaultRun& run, int32_t t, int32_t code, int32_t value, int32_t track, int32_t channel)
{
    if (code == run.nCode)
        return;  // the run goes on; its value stays that of its first unit
    if (!run.IsIdle())
        CloseRun(run, t, track, channel);
    run = FaultRun{};
    if (code != kNoFault)
        run = FaultRun{code, t, 0, value};
}

void CFFCheck::CloseRun(FaultRun& run, int32_t t, int32_t track, int32_t channel)
{
    run.nLength = t - run.nBegin;
    const bool known = run.nCode >= 0 && run.nCode < kContentParamCount;
    if (!known || run.nLength < m_params[run.nCode].nDuration)
        return;
    NotifyFault(run.nCode, run.nBegin, run.nLength, run.nValue,
                IsPictureFault(run.nCode) && !m_snapshot.empty() ? &m_snapshot : nullptr, track, channel);
}

void CFFCheck::OnPacketTime(bool video, int64_t pts, int64_t end)
{
    if (end != kNoMediaTime)
        m_llInputEnd = m_llInputEnd == kNoMediaTime ? end : std::max(m_llInputEnd, end);
    m_videoLoss.OnInput(pts, end);
    if (video)
        m_videoLoss.OnVideoPacket(pts);
}

void CFFCheck::ReportVideoLost(const VideoLossTracker::Loss& loss, bool always)
{
    const ContentParam_t& param = m_params[kFaultVideoLost];
    if (!param.nEnable || loss.length <= 0 || (!always && loss.length < param.nDuration))
        return;
    NotifyFault(kFaultVideoLost, loss.begin, loss.length, 0, &NoPicture());
}

CPictureSafety::Notify CFFCheck::SafetyNotice()
{
    return [this](int32_t code, int32_t begin, int32_t length, const cv::Mat* snapshot) {
        NotifyFault(code, begin, length, 0, snapshot);
    };
}

void CFFCheck::NotifyFault(int32_t code, int32_t begin, int32_t length, int32_t value, const cv::Mat* image,
                           int32_t track, int32_t channel)
{
    const std::string channelName = track >= 0 ? SoundChannelName(track, channel, SoundTrackLayout(track)) : "";
    if (m_pMonitor && m_nMonitorFlag)
        m_pMonitor->OnFaultMark(begin, begin + length - 1, FaultEventName(code, channelName).c_str());
    if (!m_pResultSink)
        return;
    ResultNotify_t notice = MakeNotice();
    notice.nFault = code;
    notice.tmBegin = begin;
    notice.tmEnd = begin + length - 1;
    notice.nValue = value;
    notice.pImage = image;
    if (track >= 0) {
        notice.nTrack = track + 1;
        notice.nChannel = channel + 1;
        CopyField(notice.szChannel, channelName.c_str());
    }
    m_pResultSink->OnFaultNotice(notice);
}

void CFFCheck::Flush()
{
    FlushSound();
    m_settled.clear();
    m_stillHold.Finish(m_settled);
    for (const CStillHold::Verdict& settled : m_settled)
        TakePictureVerdict(settled);
    if (!m_pictureRun.IsIdle())
        CloseRun(m_pictureRun, m_nLastPictureIndex);
    m_pictureRun = FaultRun{};
    m_safety.Flush(SafetyNotice());
    // A video stream without a single picture is lost however short the input.
    if (HasVideo() && !InputBrokeOff())
        ReportVideoLost(m_videoLoss.AtEnd(), !m_videoLoss.HadPicture());
    CheckDeclaredEnd();
    CloseDamage();
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
    // Pictures, not check frames: 50 pictures a second cost twice what 25 do.
    const int32_t analysed = std::max(m_nPictureCount - 1, 0);
    const int32_t speed = elapsed > 0 ? static_cast<int32_t>((analysed - m_nTickFrame) / elapsed) : 0;
    m_llTickTime = nowSeconds;
    m_nTickFrame = analysed;
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
