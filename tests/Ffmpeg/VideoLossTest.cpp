// Where the video-loss tracker finds pictures missing, fed with packet and picture times.
#include "VideoLoss.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quarvik {
namespace {

constexpr int64_t kFrame = 40000;  // one picture at 25 per second, in microseconds

// One step of an input, in reading order.
struct Step {
    enum Kind { kSound, kPacket, kPicture } kind;
    int64_t time;        // packet or picture time, or where a sound packet (one frame long) ends
    int64_t length = kFrame;
};

struct Case {
    std::string name;
    std::vector<Step> steps;
    std::vector<VideoLossTracker::Loss> expected;  // mid-way losses, then the one at the end
    int64_t declaredEnd = 0;                       // the container's end of the input; 0: none
};

Step Sound(int64_t end) { return {Step::kSound, end}; }
Step Packet(int64_t pts) { return {Step::kPacket, pts}; }
Step Picture(int64_t pts, int64_t length = kFrame) { return {Step::kPicture, pts, length}; }

// Pictures first..last (in frames) that decode, each packet followed by its picture, with
// sound alongside.
void Pictures(std::vector<Step>& steps, int first, int last)
{
    for (int i = first; i <= last; ++i) {
        steps.push_back(Packet(i * kFrame));
        steps.push_back(Sound((i + 1) * kFrame));
        steps.push_back(Picture(i * kFrame));
    }
}

std::vector<Case> Cases()
{
    std::vector<Case> cases;
    {
        Case c{"every picture decodes", {}, {}};
        Pictures(c.steps, 0, 99);
        cases.push_back(c);
    }
    {
        // Decoding order 0 3 1 2 6 4 5 ..., pictures in presentation order two packets late.
        Case c{"B-frames", {}, {}};
        const int order[] = {0, 3, 1, 2, 6, 4, 5, 9, 7, 8};
        for (int k = 0; k < 10; ++k) {
            c.steps.push_back(Packet(order[k] * kFrame));
            c.steps.push_back(Sound((k + 1) * kFrame));
            if (k >= 2)
                c.steps.push_back(Picture((k - 2) * kFrame));
        }
        c.steps.push_back(Picture(8 * kFrame));
        c.steps.push_back(Picture(9 * kFrame));
        cases.push_back(c);
    }
    {
        // Sound from 0, the first key frame at 1 s; the packets before it never decode.
        Case c{"first picture comes late", {}, {}};
        for (int i = 0; i < 25; ++i) {
            c.steps.push_back(Packet(i * kFrame));
            c.steps.push_back(Sound((i + 1) * kFrame));
        }
        Pictures(c.steps, 25, 99);
        cases.push_back(c);
    }
    {
        // Variable frame rate: picture 10 is held for 2 s; no packet in between.
        Case c{"a picture held longer", {}, {}};
        Pictures(c.steps, 0, 10);
        for (int i = 11; i < 60; ++i)
            c.steps.push_back(Sound((i + 1) * kFrame));
        Pictures(c.steps, 60, 99);
        cases.push_back(c);
    }
    {
        Case c{"pictures 40-59 do not decode", {}, {{40, 20}}};
        Pictures(c.steps, 0, 39);
        for (int i = 40; i < 60; ++i) {
            c.steps.push_back(Packet(i * kFrame));
            c.steps.push_back(Sound((i + 1) * kFrame));
        }
        Pictures(c.steps, 60, 99);
        cases.push_back(c);
    }
    {
        Case c{"video ends 2 s before the sound", {}, {{50, 50}}};
        Pictures(c.steps, 0, 49);
        for (int i = 50; i < 100; ++i)
            c.steps.push_back(Sound((i + 1) * kFrame));
        cases.push_back(c);
    }
    {
        // Sound codecs cut their units otherwise than pictures: less than a check frame over.
        Case c{"sound a little longer", {}, {}};
        Pictures(c.steps, 0, 49);
        c.steps.push_back(Sound(50 * kFrame + kFrame - 1));
        cases.push_back(c);
    }
    {
        // The sound's last unit ends one picture after the last picture: nothing is missing.
        Case c{"sound one picture longer", {}, {}};
        Pictures(c.steps, 0, 99);
        c.steps.push_back(Sound(101 * kFrame));
        cases.push_back(c);
    }
    {
        Case c{"sound two pictures longer", {}, {{100, 2}}};
        Pictures(c.steps, 0, 99);
        c.steps.push_back(Sound(102 * kFrame));
        cases.push_back(c);
    }
    {
        Case c{"no picture at all", {}, {{0, 100}}};
        for (int i = 0; i < 100; ++i) {
            c.steps.push_back(Packet(i * kFrame));
            c.steps.push_back(Sound((i + 1) * kFrame));
        }
        cases.push_back(c);
    }
    cases.push_back({"nothing read at all", {}, {{0, 1}}});
    {
        // A damaged sound packet claims to lie 6 hours on; the container says 4 s.
        Case c{"a timestamp far beyond the input", {}, {{50, 50}}, 100 * kFrame};
        Pictures(c.steps, 0, 49);
        c.steps.push_back(Sound(int64_t{6} * 3600 * 1000000));
        cases.push_back(c);
    }
    return cases;
}

TEST(VideoLossTracker, FindsPicturesMissingWhileTheInputGoesOn)
{
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        VideoLossTracker tracker;
        if (c.declaredEnd)
            tracker.SetInputSpan(0, c.declaredEnd);
        std::vector<VideoLossTracker::Loss> losses;
        for (const Step& step : c.steps) {
            switch (step.kind) {
            case Step::kSound:
                tracker.OnInput(step.time - kFrame, step.time);
                break;
            case Step::kPacket:
                tracker.OnInput(step.time, step.time + kFrame);
                tracker.OnVideoPacket(step.time);
                break;
            case Step::kPicture:
                if (const VideoLossTracker::Loss loss = tracker.OnPicture(step.time, step.length); loss.length > 0)
                    losses.push_back(loss);
                break;
            }
        }
        if (const VideoLossTracker::Loss loss = tracker.AtEnd(); loss.length > 0)
            losses.push_back(loss);
        ASSERT_EQ(losses.size(), c.expected.size());
        for (size_t i = 0; i < losses.size(); ++i) {
            EXPECT_EQ(losses[i].begin, c.expected[i].begin);
            EXPECT_EQ(losses[i].length, c.expected[i].length);
        }
    }
}

}  // namespace
}  // namespace quarvik
