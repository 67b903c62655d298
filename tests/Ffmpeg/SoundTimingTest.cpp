// Sound fault times over codecs whose units differ in size, start short or come resampled:
// every event lies where its fault lies in the sound as decoded, codec delay included.
#include "CheckRun.h"
#include "EngineTestSupport.h"
#include "FaultKinds.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace quarvik {
namespace {

constexpr int64_t kRate = 48000;

// The left channel of a file's first sound stream as the ffmpeg tool decodes it into the form
// the engine analyses (stereo, 48 kHz, S16).
std::vector<int16_t> DecodedLeft(const std::string& path)
{
    const std::string command = "ffmpeg -nostdin -v error -i '" + path +
                                "' -map 0:a:0 -ac 2 -ar 48000 -f s16le -";
    std::vector<int16_t> left;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return left;
    int16_t frame[2];
    while (std::fread(frame, sizeof(frame), 1, pipe) == 1)
        left.push_back(frame[0]);
    pclose(pipe);
    return left;
}

struct Span {
    int64_t first = -1, last = -1;  // samples
};

// The longest stretch around a sample in which no sample's magnitude exceeds the ceiling.
Span QuietAround(const std::vector<int16_t>& left, int64_t around, int ceiling)
{
    Span span;
    if (around < 0 || around >= static_cast<int64_t>(left.size()))
        return span;
    auto quiet = [&](int64_t i) { return std::abs(static_cast<int>(left[i])) <= ceiling; };
    span.first = span.last = around;
    while (span.first > 0 && quiet(span.first - 1))
        --span.first;
    while (span.last + 1 < static_cast<int64_t>(left.size()) && quiet(span.last + 1))
        ++span.last;
    return span;
}

// The first and the last sample in [from, to) whose magnitude reaches the floor.
Span LoudWithin(const std::vector<int16_t>& left, int64_t from, int64_t to, int floor)
{
    Span span;
    for (int64_t i = from; i < to && i < static_cast<int64_t>(left.size()); ++i) {
        if (std::abs(static_cast<int>(left[i])) >= floor) {
            if (span.first < 0)
                span.first = i;
            span.last = i;
        }
    }
    return span;
}

int32_t CheckFrameOf(int64_t sample)
{
    return static_cast<int32_t>(sample * kCheckFramesPerSecond / kRate);
}

TEST(SoundTiming, EventsLieWhereTheFaultsLieInTheDecodedSound)
{
    ContentParam_t table[kContentParamCount];
    SetDefaultContentParams(table);
    table[kFaultSilenceLeft].nDuration = 25;
    table[kFaultTooLowLeft].nDuration = 25;
    TempParams params(table);

    // Units of up to one check frame (1920 samples), except FLAC's 4608 (2.4 frames): a unit
    // that straddles the edge of a fault holds its verdict over all its frames.
    struct Case { const char* name; int32_t unitSlack; };
    const Case cases[] = {{"sound-aac44k.mp4", 0}, {"sound-mp3.mp3", 0}, {"sound-opus.ogg", 0},
                          {"sound-vorbis.ogg", 0}, {"sound-ac3.ac3", 0}, {"sound-flac.flac", 2},
                          {"sound-pcm44k.wav", 0}};
    for (const auto& [name, unitSlack] : cases) {
        SCOPED_TRACE(name);
        const std::string path = MediaPath(name);
        const std::vector<int16_t> left = DecodedLeft(path);
        ASSERT_GT(left.size(), static_cast<size_t>(29 * kRate));

        // The planted faults: silence 20-23 s (-60 dBFS and below: peak 32), too low 25-27 s
        // (peak 412 and below), too high 28-29.5 s (-9 dBFS and above: peak 11612).
        struct Fault { int32_t code; Span span; };
        const Fault faults[] = {
            {kFaultSilenceLeft, QuietAround(left, 21 * kRate + kRate / 2, 32)},
            {kFaultTooLowLeft, QuietAround(left, 26 * kRate, 412)},
            {kFaultTooHighLeft, LoudWithin(left, 27 * kRate + kRate / 2, 30 * kRate, 11612)},
        };

        CFFCheck engine(params.Path());
        RecordingSink sink;
        engine.SetResultSink(&sink);
        ASSERT_EQ(RunContentCheck(engine, path.c_str(), 1, 1), CheckOutcome::kFinished);

        std::vector<Event> sound;  // the grey picture of the MP4 is a colour field
        for (const Event& e : sink.events)
            if (!IsPictureFault(e.code))
                sound.push_back(e);
        EXPECT_EQ(sound.size(), 3u);
        for (const Fault& fault : faults) {
            SCOPED_TRACE(fault.code);
            ASSERT_GE(fault.span.first, 19 * kRate) << "fault not found in the decoded sound";
            const Event* event = nullptr;
            for (const Event& e : sound)
                if (e.code == fault.code && !event)
                    event = &e;
            const int32_t begin = CheckFrameOf(fault.span.first);
            const int32_t end = CheckFrameOf(fault.span.last);
            if (!event) {
                ADD_FAILURE() << "not reported";
                continue;
            }
            // A run ends in the frame before the unit that closes it, and that unit may begin
            // in the frame before the fault's last sample: an end may lie one more frame early.
            EXPECT_NEAR(event->begin, begin, 1 + unitSlack);
            EXPECT_GE(event->end, end - 2 - unitSlack);
            EXPECT_LE(event->end, end + 1 + unitSlack);
        }
    }
}

}  // namespace
}  // namespace quarvik
