// Events at their real times at any frame rate, the material's own time code, and damaged
// material found as decoding errors, on generated clips of moving pictures with grain.
#include "CheckRun.h"
#include "DamagedCopy.h"
#include "EngineTestSupport.h"
#include "FaultKinds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace quarvik {
namespace {

class ClockSink : public RecordingSink {
public:
    void OnMaterialClock(int32_t, int32_t, const MaterialClock& c) override { clock = c; }
    std::optional<MaterialClock> clock;
};

class MaterialTimeTest : public ::testing::Test {
protected:
    void SetUp() override { SetDefaultContentParams(m_params); }

    CheckOutcome CheckPath(const std::string& path)
    {
        m_sink = ClockSink();
        TempParams params(m_params);
        CFFCheck engine(params.Path());
        engine.SetResultSink(&m_sink);
        const CheckOutcome outcome = RunContentCheck(engine, path.c_str(), 7, 42);
        m_pictures = engine.PictureCount();
        m_analysed = engine.AnalysedTime();
        return outcome;
    }

    ContentParam_t m_params[kContentParamCount];
    ClockSink m_sink;
    int m_pictures = 0;
    int m_analysed = 0;
};

// Black from 4 s to 5 s and a loud tone from 4 s to 6 s, in every clip: at 25 check frames a
// second, black 100..124 and too high 100..149, whatever the rate of the pictures.
TEST_F(MaterialTimeTest, EventsLieAtTheirRealTimesAtEveryFrameRate)
{
    struct Case {
        const char* name;
        int pictures;           // in 8 s
        const char* rate;       // as the material's clock gives it; nullptr: like the check frames
        const char* startCode;  // the material time code of check frame 100 (4 s)
    };
    const Case cases[] = {
        {"time-50p.mp4", 400, "50", "00:00:04:00"},
        {"time-2997.ts", 240, "29.97", "00:00:04:00"},
        {"time-5994.ts", 480, "59.94", "00:00:04:00"},
        {"time-23976.mov", 192, "23.976", "10:00:04:00"},
        {"time-25tc.mxf", 200, "25", "10:00:04:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(CheckPath(MediaPath(c.name)), CheckOutcome::kFinished);
        EXPECT_NEAR(m_pictures, c.pictures, 2);
        EXPECT_NEAR(m_analysed, 200, 1) << "the monitor's clock: 8 s";

        const std::vector<Event> black = EventsOf(m_sink.events, kFaultBlack);
        const std::vector<Event> loud = EventsOf(m_sink.events, kFaultTooHighLeft);
        ASSERT_EQ(black.size(), 1u);
        ASSERT_EQ(loud.size(), 1u);
        // The test pattern's saturated colours leave the gamut (kind 10); no other fault.
        EXPECT_EQ(TextKindEvents(m_sink.events).size(), 2u) << "moving pictures with grain and a tone have no other fault";
        EXPECT_TRUE(EventsOf(m_sink.events, kFaultDecodeError).empty());
        EXPECT_NEAR(black[0].begin, 100, 1);
        EXPECT_NEAR(black[0].end, 124, 1);
        EXPECT_NEAR(loud[0].begin, 100, 1);
        EXPECT_NEAR(loud[0].end, 149, 1);
        EXPECT_NEAR(black[0].begin, loud[0].begin, 1) << "picture and sound of one moment, one time";

        ASSERT_TRUE(m_sink.clock.has_value()) << "sent: its time codes differ from the check frames";
        EXPECT_TRUE(m_sink.clock->Differs());
        EXPECT_EQ(m_sink.clock->RateText(), c.rate);
        EXPECT_EQ(m_sink.clock->TimeCodeAt(black[0].begin), c.startCode);
    }

    // Material at 25 pictures a second from 00:00:00:00 sends no clock of its own.
    ASSERT_EQ(CheckPath(MediaPath("faults.mxf")), CheckOutcome::kFinished);
    EXPECT_FALSE(m_sink.clock.has_value());
}

// A second of black at 50 pictures a second: 50 pictures, 25 check frames. Asked to last 26
// check frames it is not reported, as it would be if its pictures were counted.
TEST_F(MaterialTimeTest, DurationsAreTimesNotPictureCounts)
{
    m_params[kFaultBlack].nDuration = 26;
    ASSERT_EQ(CheckPath(MediaPath("time-50p.mp4")), CheckOutcome::kFinished);
    EXPECT_TRUE(EventsOf(m_sink.events, kFaultBlack).empty());
    EXPECT_EQ(EventsOf(m_sink.events, kFaultTooHighLeft).size(), 1u);
}

enum class Damage { kNone, kZero, kFlip, kCut, kJoin };

// Damage in the middle of a clean 8 s clip: a decoding error near it; a clean clip, and one
// joined midway through a group of pictures, give none.
TEST_F(MaterialTimeTest, DamagedMaterialIsADecodingErrorNearTheDamage)
{
    struct Case {
        const char* name;
        Damage damage;
        double at;  // where in the file, as a share of its size
    };
    const Case cases[] = {
        {"clean-h264.ts", Damage::kNone, 0},     {"clean-mpeg2.mxf", Damage::kNone, 0},
        {"clean-h264.mp4", Damage::kNone, 0},
        {"clean-h264.ts", Damage::kZero, 0.5},   {"clean-h264.ts", Damage::kFlip, 0.3},
        {"clean-mpeg2.mxf", Damage::kZero, 0.5}, {"clean-mpeg2.mxf", Damage::kFlip, 0.6},
        {"clean-h264.mp4", Damage::kFlip, 0.5},  {"clean-mpeg2.mxf", Damage::kCut, 0.5},
        {"clean-h264.mp4", Damage::kCut, 0.6},   {"clean-h264.ts", Damage::kJoin, 0.3},
        {"time-2997.ts", Damage::kJoin, 0.4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " damaged at " + std::to_string(c.at) + " by " +
                     std::to_string(static_cast<int>(c.damage)));
        DamagedCopy copy(c.name);
        // Where the damage lies in the material, in check frames from the first picture.
        const int64_t offset = static_cast<int64_t>(copy.Size() * c.at) / 188 * 188;
        const int at = static_cast<int>(VideoTimeAt(copy.Path(), offset) * kCheckFramesPerSecond);
        switch (c.damage) {
        case Damage::kZero: copy.Overwrite(offset, 32768, false); break;
        case Damage::kFlip: copy.Overwrite(offset, 4096, true); break;
        case Damage::kCut: copy.CutAt(offset); break;
        case Damage::kJoin: copy.DropHead(offset); break;
        case Damage::kNone: break;
        }
        ASSERT_EQ(CheckPath(copy.Path()), CheckOutcome::kFinished);
        const std::vector<Event> errors = EventsOf(m_sink.events, kFaultDecodeError);
        if (c.damage == Damage::kNone || c.damage == Damage::kJoin) {
            EXPECT_TRUE(errors.empty()) << "first at " << errors[0].begin << " to " << errors[0].end;
            continue;
        }
        ASSERT_FALSE(errors.empty());
        const bool near = std::any_of(errors.begin(), errors.end(), [&](const Event& e) {
            return e.begin <= at + kCheckFramesPerSecond && e.end >= at - kCheckFramesPerSecond;
        });
        EXPECT_TRUE(near) << "damage at " << at << ", first error " << errors[0].begin << " to " << errors[0].end;
        EXPECT_EQ(errors[0].snapshot.size(), cv::Size(160, 120));
        if (c.damage == Damage::kCut) {
            EXPECT_GE(errors.back().end, 195) << "the lost rest of the material, to its declared end";
        }
    }

    // Switched off: nothing.
    m_params[kFaultDecodeError].nEnable = 0;
    DamagedCopy copy("clean-mpeg2.mxf");
    copy.CutAt(copy.Size() / 2);
    ASSERT_EQ(CheckPath(copy.Path()), CheckOutcome::kFinished);
    EXPECT_TRUE(EventsOf(m_sink.events, kFaultDecodeError).empty());
}

}  // namespace
}  // namespace quarvik
