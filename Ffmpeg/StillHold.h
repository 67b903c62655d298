// CStillHold: turns still-frame verdicts into freezes as an operator sees them.
//
// A freeze repeats one source picture. Coded long-GOP, the repeats are copies of their
// reference (at least 99.8 % of pixels within one grey level), except where the coder
// refreshes the picture: an I picture and the pictures predicted across it move by a few
// grey levels for one to three pictures, then the copies go on. A locked-off live shot never
// repeats: camera noise makes every picture differ a little from the one before, even where
// 99 % of its pixels stay within the still-frame threshold.
// So a run of still verdicts counts from its second picture once one of its pictures is a
// repeat; until then its verdicts are held back, and given up (no fault) when the run ends
// without a repeat or after 2 s. And a confirmed freeze bridges a break of up to four
// pictures that all still show the picture held before the break (the share of pixels of
// the still-frame record within five times its threshold, the mean difference within the
// threshold) when the picture after them is again still and shows it too: a refresh, not
// a cut, a flash or new movement.
// Verdicts come out in picture order, each at most 50 pictures late. One object per file,
// on the check thread.
#pragma once

#include "ContentParams.h"

#include <opencv2/core/mat.hpp>

#include <cstdint>
#include <deque>
#include <vector>

namespace quarvik {

class CStillHold {
public:
    struct Verdict {
        int32_t index;
        int32_t code;
        cv::Mat picture;  // the colour picture judged: a copy, or the caller's picture itself
    };

    void Reset();
    // One picture and its verdict from ClassifyPicture; appends the verdicts now settled to
    // out. grey is the analysis area, colour the whole picture (it may be empty).
    void Add(int32_t index, int32_t code, bool repeat, const cv::Mat& grey, const cv::Mat& colour,
             const ContentParam_t& still, std::vector<Verdict>& out);
    // The end of the pictures: every held verdict is settled.
    void Finish(std::vector<Verdict>& out);

    static constexpr size_t kBreakLimit = 4;
    static constexpr size_t kWaitLimit = 50;

private:
    enum class State { Idle, Waiting, Frozen, Break };

    void Hold(int32_t index, int32_t code, const cv::Mat& colour);
    // Gives every held verdict out: as a still frame, or as its own (kNoFault while waiting).
    void Release(bool asStill, std::vector<Verdict>& out);
    bool ShowsHeldPicture(const cv::Mat& grey, const ContentParam_t& still) const;
    void AddStill(int32_t index, bool repeat, const cv::Mat& colour, std::vector<Verdict>& out);

    State m_state = State::Idle;
    std::deque<Verdict> m_held;
    cv::Mat m_lastGrey;    // the last still picture of a freeze
    cv::Mat m_heldGrey;    // the picture held before a break
};

}  // namespace quarvik
