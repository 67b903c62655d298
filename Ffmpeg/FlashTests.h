// Photosensitive hazards: flashes, red flashes and regular patterns, judged on the screen
// luminance of a standard display (LevelTests.h) as the broadcasters' guidance on
// photosensitive epilepsy describes them.
//
// A transition is a change of luminance of at least a step (20 cd/m²) in one direction, the
// darker end below 160 cd/m², over more than a share (25 %) of the screen at once; a flash is
// a pair of opposing transitions. More than three flashes (six transitions) in any one second
// fail at once; two to three a second (four to six transitions) fail when they go on for four
// seconds of any five, and are a warning when they stop sooner. Red flashes are counted the same way on the red measure, without the
// darkness condition. Times are microseconds from the first picture; the one-second window
// slides picture by picture at the material's own frame rate.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

namespace quarvik {

// Follows each cell's run of brightening or darkening and tells when a transition completes
// over enough of the screen at once: the cells whose runs reach the step on the same picture.
// Transitions of the screen alternate in direction (a cut that brightens one half and darkens
// the other is one). Changes against a run smaller than a tenth of the step are noise and do
// not end it.
class CTransitionTracker {
public:
    // step: least change of one transition; darkLimit: the darker end must lie below it (a
    // huge value: no condition); share: part of the cells (0..1) that must take part.
    // Returns +1 or -1 when a transition of the screen completes on this picture, else 0.
    int Update(const std::vector<float>& cells, float step, float darkLimit, float share);
    void Reset();

private:
    std::vector<float> m_prev, m_run;  // last value and the change of its current run, per cell
    std::vector<char> m_counted;       // the current run already took part in a transition
    int m_lastDirection = 0;
};

// A stretch of material in microseconds from the first picture: [begin, end] are the start
// times of its first and last picture.
struct TimeSpan {
    int64_t begin = 0, end = 0;
};

// A stretch of flashing at two flashes a second or more: from the first to the last transition
// of its windows of four transitions or more. Failed: part of it failed (at once or sustained),
// here or in the other measure (Cover).
struct FlashStretch {
    TimeSpan span;
    bool failed = false;
};

// Counts transitions in the sliding windows and tells which stretch fails, and which stretch
// of flashing at two to three flashes a second ended without failing: that is a warning.
class CFlashRate {
public:
    static constexpr int64_t kSecond = 1000000;
    // The picture starting at time t (after every earlier one), with or without a transition.
    // Returns true when the window ending on this picture fails, with the failing stretch from
    // the first to the last transition of a window with more than six, or, when four of the
    // last five seconds flashed at two flashes a second or more, from the first of them.
    bool Add(int64_t t, bool transition, TimeSpan& failing);
    // The last Add began a stretch of flashing (whose span.begin names it).
    bool Began() const { return m_began; }
    // The other measure failed over span: the stretches here that overlap it failed with it,
    // so that the same flashing is not also a warning.
    void Cover(const TimeSpan& span);
    // The oldest stretch that no later window can make fail any more (five seconds after its
    // end, or every one after Finish), with whether it failed; false when there is none.
    bool TakeRetired(FlashStretch& stretch);
    // The material ended: every stretch retires.
    void Finish();
    void Reset();

private:
    void Retire(int64_t before);

    std::deque<int64_t> m_transitions;   // within the last second
    std::deque<FlashStretch> m_flashing;  // merged stretches, last five seconds
    std::deque<FlashStretch> m_retired;   // not taken yet
    bool m_began = false;
};

// The share of the screen (0..1) covered by regular light-dark stripes: more than five pairs
// in a row, evenly spaced, each pair differing by at least contrast (cd/m²) with the darker
// stripe below darkLimit. Rows and columns of the luminance grid are both scanned (vertical
// and horizontal stripes); the larger share counts.
double StripedShare(const std::vector<float>& luminance, int columns, int rows, float contrast, float darkLimit);

}  // namespace quarvik
