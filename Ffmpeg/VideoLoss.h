// VideoLossTracker: finds the stretches of an input in which its video stream shows no picture
// while the input goes on (video lost).
//
// It sees the input through media timestamps, in microseconds on one clock for all streams:
// every packet of a chosen stream moves the input on; every decoded picture covers its own
// time (its timestamp plus its duration). Pictures are lost
// - in a gap between two pictures that holds video packets which never became a picture
//   (damaged or undecodable packets; a gap without video packets is a picture held longer,
//   as a variable frame rate does it, not a loss);
// - after the last picture, as far as the input goes on (a video stream shorter than the
//   sound, or one whose tail does not decode), when it goes on longer than one more picture;
// - everywhere, when the video stream gives no picture at all.
// Nothing before the first picture counts: a stream may begin with its sound, or be joined
// before its first key frame.
//
// Plain data; one object per input, on the thread that reads it.
#pragma once

#include <cstdint>
#include <set>

namespace quarvik {

class VideoLossTracker {
public:
    // A timestamp that is not known.
    static constexpr int64_t kNoTime = INT64_MIN;

    // Pictures lost, in check frames from the first picture (0 when none came).
    struct Loss {
        int32_t begin = 0;
        int32_t length = 0;
    };

    void Reset() { *this = VideoLossTracker(); }

    // The span the container declares, when it declares one: a damaged timestamp outside it
    // is taken as its nearer end, so it cannot stretch a loss beyond the input.
    void SetInputSpan(int64_t start, int64_t end);

    // A packet of a chosen stream that covers time from start (kNoTime when unknown) to end.
    void OnInput(int64_t start, int64_t end);
    // A packet of the video stream with this presentation time went to its decoder (whether
    // the decoder took it or not).
    void OnVideoPacket(int64_t pts);
    // A picture was decoded (pictures come in presentation order); the pictures lost right
    // before it, length 0 when none.
    Loss OnPicture(int64_t pts, int64_t duration);
    // At the end of the input: the pictures lost after the last one; with no picture at all,
    // the whole input (at least one check frame).
    Loss AtEnd() const;

    bool HadPicture() const { return m_bHadPicture; }

private:
    int32_t CheckFrameOf(int64_t time) const;
    int64_t Clamp(int64_t time) const;

    int64_t m_llSpanStart = kNoTime;
    int64_t m_llSpanEnd = kNoTime;
    bool m_bHadPicture = false;
    int64_t m_llFirstPicture = 0;  // origin of the check frames of a loss
    int64_t m_llPictureEnd = 0;    // the latest time a picture covered
    int64_t m_llLastDuration = 0;  // how long the last picture lasts
    int64_t m_llInputStart = kNoTime;
    int64_t m_llInputEnd = kNoTime;
    std::multiset<int64_t> m_pending;  // video packets not yet seen as pictures
};

}  // namespace quarvik
