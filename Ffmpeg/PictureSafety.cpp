#include "PictureSafety.h"

#include "FaultKinds.h"

#include <algorithm>

namespace quarvik {
namespace {

constexpr int32_t kFirstKind = kFaultFlash;
constexpr float kDarkLimit = 160.0f;     // cd/m²: a flash whose darker end is brighter does not count
constexpr float kNoDarkLimit = 1e30f;
constexpr double kLevelArea = 0.01;      // an illegal level counts over more than 1 % of the picture
constexpr int64_t kTimeSlack = 2000;     // microseconds of jitter between one picture's end and the next one's start
constexpr int64_t kFlashLookBack = 5 * CFlashRate::kSecond;
// A warning is told five seconds after its flashing; the other measure's warning of the same
// flashing may come a little later and joins it.
constexpr int64_t kWarningLookBack = 2 * kFlashLookBack;

int32_t CheckFrameAt(int64_t micros)
{
    return static_cast<int32_t>(micros * kCheckFramesPerSecond / CFlashRate::kSecond);
}

}  // namespace

void CPictureSafety::Reset()
{
    m_time = 0;
    m_luminanceSteps.Reset();
    m_redSteps.Reset();
    m_flashRate.Reset();
    m_redRate.Reset();
    m_flashPictures.clear();
    m_redPictures.clear();
    m_runs = {};
}

void CPictureSafety::OnPicture(const AVFrame* decoded, int64_t duration, const cv::Mat& analysis, const Notify& notify)
{
    const int64_t t = m_time;
    m_time += std::max<int64_t>(duration, 1);
    bool any = false;
    for (int32_t code = kFaultFlash; code <= kFaultGamutLevel; ++code)  // the warning goes with the flash
        any = any || On(code);
    if (!any)
        return;

    const ContentParam_t& luma = m_params[kFaultLumaLevel];
    const ContentParam_t& gamut = m_params[kFaultGamutLevel];
    SamplePicture(decoded, {luma.nThreshold1, luma.nThreshold2, gamut.nThreshold1, gamut.nThreshold2}, m_samples);
    const bool valid = m_samples.valid;
    const TimeSpan now{t, t};
    // Both measures first: a failure of one covers the same flashing in the other, which is
    // then no warning.
    struct FlashVerdict {
        bool on = false, faulty = false;
        TimeSpan failing;
    };
    const auto measureFlash = [&](int32_t code, CTransitionTracker& steps, CFlashRate& rate,
                                  const std::vector<float>& cells, float darkLimit) {
        FlashVerdict verdict;
        verdict.on = On(code);
        if (!verdict.on)
            return verdict;
        const ContentParam_t& p = m_params[code];
        const bool transition =
            valid && steps.Update(cells, static_cast<float>(p.nThreshold1), darkLimit, p.nThreshold2 / 100.0f) != 0;
        verdict.faulty = rate.Add(t, transition, verdict.failing);
        return verdict;
    };
    const FlashVerdict flash =
        measureFlash(kFaultFlash, m_luminanceSteps, m_flashRate, m_samples.cellLuminance, kDarkLimit);
    const FlashVerdict red = measureFlash(kFaultRedFlash, m_redSteps, m_redRate, m_samples.cellRed, kNoDarkLimit);
    if (flash.faulty && red.on)
        m_redRate.Cover(flash.failing);
    if (red.faulty && flash.on)
        m_flashRate.Cover(red.failing);
    if (flash.on) {
        Feed(kFaultFlash - kFirstKind, flash.faulty, flash.failing, duration, kFlashLookBack, analysis, notify);
        TakeWarnings(m_flashRate, m_flashPictures, analysis, duration, notify);
    }
    if (red.on) {
        Feed(kFaultRedFlash - kFirstKind, red.faulty, red.failing, duration, kFlashLookBack, analysis, notify);
        TakeWarnings(m_redRate, m_redPictures, analysis, duration, notify);
    }
    if (On(kFaultFlashWarning))
        Feed(kFaultFlashWarning - kFirstKind, false, now, duration, kWarningLookBack, analysis, notify);

    if (On(kFaultPattern)) {
        const ContentParam_t& p = m_params[kFaultPattern];
        const bool faulty = valid && StripedShare(m_samples.luminance, kGridColumns, kGridRows,
                                                  static_cast<float>(p.nThreshold1), kDarkLimit) > p.nThreshold2 / 100.0;
        Feed(kFaultPattern - kFirstKind, faulty, now, duration, 0, analysis, notify);
    }
    if (On(kFaultLumaLevel))
        Feed(kFaultLumaLevel - kFirstKind, valid && m_samples.lumaOutside > kLevelArea, now, duration, 0, analysis,
             notify);
    if (On(kFaultGamutLevel))
        Feed(kFaultGamutLevel - kFirstKind, valid && m_samples.rgbOutside > kLevelArea, now, duration, 0, analysis,
             notify);
}

void CPictureSafety::Feed(int kind, bool faulty, const TimeSpan& span, int64_t duration, int64_t lookBack,
                          const cv::Mat& analysis, const Notify& notify)
{
    Run& run = m_runs[static_cast<size_t>(kind)];
    const int64_t t = m_time - std::max<int64_t>(duration, 1);
    if (faulty) {
        if (run.open && span.begin <= run.lastEnd + kTimeSlack) {
            run.begin = std::min(run.begin, span.begin);
        } else {
            Close(kind, notify);
            run.open = true;
            run.begin = span.begin;
            run.snapshot = analysis.clone();
        }
        // A stretch ending on this picture reaches to its end; one ending earlier (the last
        // transition of a flash window) reaches just that picture.
        if (span.end >= run.last) {
            run.last = span.end;
            run.lastEnd = span.end == t ? m_time : span.end;
        }
    } else if (run.open && t >= run.lastEnd + lookBack) {
        Close(kind, notify);
    }
}

void CPictureSafety::Close(int kind, const Notify& notify)
{
    Run& run = m_runs[static_cast<size_t>(kind)];
    if (!run.open)
        return;
    const int32_t code = kFirstKind + kind;
    const int32_t begin = CheckFrameAt(run.begin);
    const int32_t length = CheckFrameAt(run.last) - begin + 1;
    if (length >= m_params[code].nDuration)
        notify(code, begin, length, run.snapshot.empty() ? nullptr : &run.snapshot);
    run = Run{};
}

void CPictureSafety::TakeWarnings(CFlashRate& rate, std::deque<StretchPicture>& pictures, const cv::Mat& analysis,
                                  int64_t duration, const Notify& notify)
{
    const bool warn = On(kFaultFlashWarning);
    if (rate.Began() && warn)
        pictures.push_back({m_time - std::max<int64_t>(duration, 1), analysis.clone()});
    FlashStretch stretch;
    while (rate.TakeRetired(stretch)) {
        // The picture of a stretch is the one it began on, at or after its first transition.
        while (!pictures.empty() && pictures.front().first < stretch.span.begin)
            pictures.pop_front();
        cv::Mat picture;
        if (!pictures.empty() && pictures.front().first <= stretch.span.end) {
            picture = std::move(pictures.front().second);
            pictures.pop_front();
        }
        if (warn && !stretch.failed)
            Feed(kFaultFlashWarning - kFirstKind, true, stretch.span, duration, kWarningLookBack,
                 picture.empty() ? analysis : picture, notify);
    }
}

void CPictureSafety::Flush(const Notify& notify)
{
    // The stretches of flashing still open at the end are decided now.
    m_flashRate.Finish();
    TakeWarnings(m_flashRate, m_flashPictures, cv::Mat(), 0, notify);
    m_redRate.Finish();
    TakeWarnings(m_redRate, m_redPictures, cv::Mat(), 0, notify);
    for (int kind = 0; kind < kKinds; ++kind)
        Close(kind, notify);
}

}  // namespace quarvik
