#include "VideoLoss.h"

#include "FaultKinds.h"

#include <algorithm>

namespace quarvik {
namespace {

constexpr int64_t kMicrosecondsPerCheckFrame = 1000000 / kCheckFramesPerSecond;

// Whole check frames in a span of microseconds: a loss shorter than one frame is no loss.
int32_t CheckFrames(int64_t span)
{
    return span > 0 ? static_cast<int32_t>(std::min<int64_t>(span / kMicrosecondsPerCheckFrame, INT32_MAX)) : 0;
}

}  // namespace

void VideoLossTracker::SetInputSpan(int64_t start, int64_t end)
{
    m_llSpanStart = start;
    m_llSpanEnd = start != kNoTime && end != kNoTime && end > start ? end : kNoTime;
}

int64_t VideoLossTracker::Clamp(int64_t time) const
{
    if (time == kNoTime || m_llSpanEnd == kNoTime)
        return time;
    return std::clamp(time, m_llSpanStart, m_llSpanEnd);
}

void VideoLossTracker::OnInput(int64_t start, int64_t end)
{
    if (end == kNoTime)
        return;
    start = Clamp(start);
    end = Clamp(end);
    if (start == kNoTime || start > end)
        start = end;
    m_llInputStart = m_llInputStart == kNoTime ? start : std::min(m_llInputStart, start);
    m_llInputEnd = m_llInputEnd == kNoTime ? end : std::max(m_llInputEnd, end);
}

void VideoLossTracker::OnVideoPacket(int64_t pts)
{
    pts = Clamp(pts);
    // Before the first picture nothing counts, so nothing needs keeping (a stream without
    // pictures may run for hours).
    if (pts != kNoTime && m_bHadPicture)
        m_pending.insert(pts);
}

VideoLossTracker::Loss VideoLossTracker::OnPicture(int64_t pts, int64_t duration)
{
    pts = Clamp(pts);
    // A picture without a time of its own follows the one before it.
    if (pts == kNoTime)
        pts = m_bHadPicture ? m_llPictureEnd : (m_llInputStart == kNoTime ? 0 : m_llInputStart);
    duration = std::max<int64_t>(duration, 0);

    // Pictures come in presentation order: a packet earlier than this picture that has not
    // become one never will. It was lost inside the gap when it lies behind the last picture.
    const auto passed = m_pending.upper_bound(pts);
    const bool lostInGap =
        m_bHadPicture && std::any_of(m_pending.begin(), passed, [&](int64_t t) { return t >= m_llPictureEnd && t < pts; });
    m_pending.erase(m_pending.begin(), passed);

    Loss loss;
    if (m_bHadPicture && lostInGap) {
        loss.begin = CheckFrameOf(m_llPictureEnd);
        loss.length = CheckFrames(pts - m_llPictureEnd);
    }
    if (!m_bHadPicture) {
        m_bHadPicture = true;
        m_llFirstPicture = pts;
        m_llPictureEnd = pts + duration;
    } else {
        m_llPictureEnd = std::max(m_llPictureEnd, pts + duration);
    }
    m_llLastDuration = duration;
    return loss;
}

VideoLossTracker::Loss VideoLossTracker::AtEnd() const
{
    Loss loss;
    if (!m_bHadPicture) {
        const int64_t span = m_llInputStart == kNoTime ? 0 : m_llInputEnd - m_llInputStart;
        loss.length = std::max(CheckFrames(span), 1);
        return loss;
    }
    // A frame of slack: sound cut in its own units may outlast the last picture by as much as
    // one picture without anything being lost.
    const int64_t slack = std::max(m_llLastDuration, kMicrosecondsPerCheckFrame);
    if (m_llInputEnd != kNoTime && m_llInputEnd - m_llPictureEnd > slack) {
        loss.begin = CheckFrameOf(m_llPictureEnd);
        loss.length = CheckFrames(m_llInputEnd - m_llPictureEnd);
    }
    return loss;
}

int32_t VideoLossTracker::CheckFrameOf(int64_t time) const
{
    return CheckFrames(time - m_llFirstPicture);
}

}  // namespace quarvik
