#include "StillHold.h"

#include "FaultKinds.h"

#include <opencv2/core.hpp>

namespace quarvik {

void CStillHold::Reset()
{
    m_state = State::Idle;
    m_held.clear();
    m_lastGrey.release();
    m_heldGrey.release();
}

void CStillHold::Hold(int32_t index, int32_t code, const cv::Mat& colour)
{
    m_held.push_back({index, code, colour.clone()});
}

void CStillHold::Release(bool asStill, std::vector<Verdict>& out)
{
    for (Verdict& v : m_held) {
        if (asStill)
            v.code = kFaultStillFrame;
        out.push_back(std::move(v));
    }
    m_held.clear();
}

bool CStillHold::ShowsHeldPicture(const cv::Mat& grey, const ContentParam_t& still) const
{
    if (m_heldGrey.empty() || m_heldGrey.size() != grey.size() || grey.total() == 0)
        return false;
    cv::Mat diff, mask;
    cv::absdiff(grey, m_heldGrey, diff);
    if (cv::mean(diff)[0] >= still.nThreshold1)
        return false;
    cv::compare(diff, 5 * still.nThreshold1, mask, cv::CMP_LT);
    return static_cast<int64_t>(cv::countNonZero(mask)) * 100 >=
           static_cast<int64_t>(grey.total()) * still.nThreshold2;
}

void CStillHold::AddStill(int32_t index, bool repeat, const cv::Mat& colour, std::vector<Verdict>& out)
{
    if (repeat) {
        Release(true, out);
        out.push_back({index, kFaultStillFrame, colour});
        m_state = State::Frozen;
        return;
    }
    Hold(index, kNoFault, colour);
    m_state = State::Waiting;
    if (m_held.size() > kWaitLimit) {
        out.push_back(std::move(m_held.front()));
        m_held.pop_front();
    }
}

void CStillHold::Add(int32_t index, int32_t code, bool repeat, const cv::Mat& grey, const cv::Mat& colour,
                     const ContentParam_t& still, std::vector<Verdict>& out)
{
    const bool stillTestFailed = code == kNoFault || code == kFaultMosaic;
    if (code == kFaultStillFrame) {
        switch (m_state) {
        case State::Frozen:
            out.push_back({index, code, colour});
            break;
        case State::Break:
            if (ShowsHeldPicture(grey, still)) {
                Release(true, out);
                out.push_back({index, code, colour});
                m_state = State::Frozen;
            } else {
                Release(false, out);
                AddStill(index, repeat, colour, out);
            }
            break;
        default:
            AddStill(index, repeat, colour, out);
            break;
        }
        if (m_state == State::Frozen)
            grey.copyTo(m_lastGrey);
        return;
    }
    if (m_state == State::Frozen && stillTestFailed) {
        m_lastGrey.copyTo(m_heldGrey);
        m_state = State::Break;
    }
    if (m_state == State::Break && stillTestFailed && m_held.size() < kBreakLimit &&
        ShowsHeldPicture(grey, still)) {
        Hold(index, code, colour);
        return;
    }
    Release(false, out);
    out.push_back({index, code, colour});
    m_state = State::Idle;
}

void CStillHold::Finish(std::vector<Verdict>& out)
{
    Release(false, out);
    m_state = State::Idle;
}

}  // namespace quarvik
