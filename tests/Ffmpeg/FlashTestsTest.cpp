// The flash, red-flash and pattern rules on made-up luminance: transitions over a share of the
// screen, the one- and five-second windows, and regular stripes against noise.
#include "FlashTests.h"
#include "LevelTests.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace quarvik {
namespace {

constexpr int64_t kFrame = 40000;  // microseconds at 25 per second

TEST(ScreenLuminance, StandardDisplay)
{
    EXPECT_NEAR(ScreenLuminance(16), 0.94, 0.05);
    EXPECT_NEAR(ScreenLuminance(235), 168, 2);
    EXPECT_LT(ScreenLuminance(70) - ScreenLuminance(16), 20.0f);  // a dim flash is no flash
    EXPECT_EQ(RedMeasure(0.2, 0.2, 0.2), 0.0f);                     // not saturated red
    EXPECT_NEAR(RedMeasure(1.0, 0.0, 0.0), 320.0f, 1e-3);
}

TEST(TransitionTracker, CountsOpposingChangesOverAQuarterOfTheScreen)
{
    struct Case {
        std::string name;
        int flashingCells;   // of 100, toggling 16 <-> 235 every picture
        float dark, light;   // luma codes
        int expected;        // transitions in 10 pictures
    };
    const Case cases[] = {
        {"whole screen", 100, 16, 235, 9},
        {"a fifth", 20, 16, 235, 0},
        {"a third", 33, 16, 235, 9},
        {"dim", 100, 16, 70, 0},
        {"bright grey to white: the darker end above 160 cd/m²", 100, 232, 255, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTransitionTracker tracker;
        int transitions = 0;
        for (int p = 0; p < 10; ++p) {
            std::vector<float> cells(100, ScreenLuminance(c.dark));
            for (int i = 0; i < c.flashingCells; ++i)
                cells[i] = ScreenLuminance(p % 2 ? c.light : c.dark);
            transitions += tracker.Update(cells, 20, 160, 0.25f) != 0;
        }
        EXPECT_EQ(transitions, c.expected);
    }
}

TEST(TransitionTracker, SlowRampWithGrainIsOneTransition)
{
    CTransitionTracker tracker;
    std::mt19937 random(7);
    std::normal_distribution<float> grain(0, 1.0f);
    int transitions = 0;
    for (int p = 0; p < 200; ++p) {
        std::vector<float> cells(100);
        for (float& v : cells)
            v = std::max(0.0f, 0.5f * p + grain(random));
        transitions += tracker.Update(cells, 20, 160, 0.25f) != 0;
    }
    EXPECT_LE(transitions, 1);
}

// Feeds pictures 0..count-1 at 25 per second, with transitions on the given pictures; returns
// the failing stretch (in pictures) told on the last failing picture, or {-1, -1}.
std::pair<int, int> Rate(const std::vector<int>& transitions, int count)
{
    CFlashRate rate;
    std::pair<int, int> last{-1, -1};
    size_t next = 0;
    for (int p = 0; p < count; ++p) {
        const bool at = next < transitions.size() && transitions[next] == p;
        next += at;
        TimeSpan failing;
        if (rate.Add(p * kFrame, at, failing))
            last = {static_cast<int>(failing.begin / kFrame), static_cast<int>(failing.end / kFrame)};
    }
    return last;
}

std::vector<int> Every(double frames, int from, int count)
{
    std::vector<int> at;
    for (int i = 0; i < count; ++i)
        at.push_back(from + static_cast<int>(i * frames + 0.5));
    return at;
}

TEST(FlashRate, WindowsOfOneAndFiveSeconds)
{
    // Six transitions a second (three flashes) never fail at once, seven do.
    EXPECT_EQ(Rate(Every(25.0 / 6, 5, 12), 50), std::make_pair(-1, -1));
    // Seven in 22 pictures: the stretch from the first to the last of them fails.
    EXPECT_EQ(Rate(Every(25.0 / 7, 5, 7), 50), std::make_pair(5, 26));
    // Four a second for 4.5 s fail once four seconds of a five-second window flashed.
    const auto sustained = Rate(Every(6.25, 3, 18), 150);
    EXPECT_EQ(sustained.first, 3);
    EXPECT_GE(sustained.second, 103);
    EXPECT_LE(sustained.second, 116);  // no longer than the flashing itself
    // Four a second for three seconds, twice, two seconds apart: never four seconds of five.
    std::vector<int> twice = Every(6.25, 0, 12);
    for (int t : Every(6.25, 125, 12))
        twice.push_back(t);
    EXPECT_EQ(Rate(twice, 250), std::make_pair(-1, -1));
}

// Feeds pictures as Rate does, then ends the material; returns every stretch of flashing in
// pictures, with whether it failed, in the order they retired. coveredAt: a picture where the
// other measure fails over the last second.
std::vector<std::pair<std::pair<int, int>, bool>> Stretches(const std::vector<int>& transitions, int count,
                                                            int coveredAt = -1)
{
    CFlashRate rate;
    std::vector<std::pair<std::pair<int, int>, bool>> stretches;
    const auto take = [&] {
        FlashStretch s;
        while (rate.TakeRetired(s))
            stretches.push_back({{static_cast<int>(s.span.begin / kFrame), static_cast<int>(s.span.end / kFrame)}, s.failed});
    };
    size_t next = 0;
    for (int p = 0; p < count; ++p) {
        const bool at = next < transitions.size() && transitions[next] == p;
        next += at;
        TimeSpan failing;
        rate.Add(p * kFrame, at, failing);
        if (p == coveredAt)
            rate.Cover({(p - 25) * kFrame, p * kFrame});
        take();
    }
    rate.Finish();
    take();
    return stretches;
}

TEST(FlashRate, FlashingThatStopsBeforeItFailsIsAWarning)
{
    using Stretch = std::pair<std::pair<int, int>, bool>;
    std::vector<int> twice = Every(6.25, 0, 12);
    for (int t : Every(6.25, 125, 12))
        twice.push_back(t);
    const struct {
        const char* what;
        std::vector<int> transitions;
        int count, coveredAt;
        std::vector<Stretch> stretches;  // failed: no warning
    } cases[] = {
        {"one flash a second", Every(12.5, 0, 10), 150, -1, {}},
        {"two a second for 2 s", Every(6.25, 10, 8), 100, -1, {{{10, 54}, false}}},
        {"told at the end of the material", Every(6.25, 10, 8), 60, -1, {{{10, 54}, false}}},
        {"two a second for 4.5 s", Every(6.25, 3, 18), 150, -1, {{{3, 109}, true}}},
        {"four a second for 1 s", Every(25.0 / 8, 5, 8), 100, -1, {{{5, 27}, true}}},
        {"twice 3 s, 2 s apart", twice, 300, -1, {{{0, 69}, false}, {{125, 194}, false}}},
        {"the other measure failed", Every(6.25, 10, 8), 100, 40, {{{10, 54}, true}}},
        {"the other measure failed after", Every(6.25, 10, 8), 100, 90, {{{10, 54}, false}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Stretches(c.transitions, c.count, c.coveredAt), c.stretches) << c.what;
}

TEST(StripedShare, RegularStripesAgainstNoiseAndFewPairs)
{
    const int cols = kGridColumns, rows = kGridRows;
    const auto grid = [&](auto value) {
        std::vector<float> g(static_cast<size_t>(cols) * rows);
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < cols; ++x)
                g[static_cast<size_t>(y) * cols + x] = value(x, y);
        return g;
    };
    const float dark = ScreenLuminance(16), light = ScreenLuminance(235);
    EXPECT_GT(StripedShare(grid([&](int x, int) { return x % 6 < 3 ? light : dark; }), cols, rows, 20, 160), 0.9);
    EXPECT_GT(StripedShare(grid([&](int, int y) { return y % 4 < 2 ? light : dark; }), cols, rows, 20, 160), 0.9);
    // Stripes over the left half, with a little noise on their levels.
    std::mt19937 noise(5);
    std::normal_distribution<float> grain(0, 3.0f);
    const double half = StripedShare(
        grid([&](int x, int) { return x < cols / 2 && x % 8 < 4 ? light + grain(noise) : dark + std::fabs(grain(noise)); }),
        cols, rows, 20, 160);
    EXPECT_NEAR(half, 0.5, 0.05);
    // Five pairs across the whole width are not enough.
    EXPECT_EQ(StripedShare(grid([&](int x, int) { return (x * 10 / cols) % 2 ? light : dark; }), cols, rows, 20, 160), 0.0);
    // Low contrast is no pattern.
    EXPECT_EQ(StripedShare(grid([&](int x, int) { return x % 6 < 3 ? 10.0f : 1.0f; }), cols, rows, 20, 160), 0.0);
    // Strong random detail is not regular.
    std::mt19937 random(3);
    std::uniform_real_distribution<float> detail(0, 168);
    EXPECT_LT(StripedShare(grid([&](int, int) { return detail(random); }), cols, rows, 20, 160), 0.05);
}

}  // namespace
}  // namespace quarvik
