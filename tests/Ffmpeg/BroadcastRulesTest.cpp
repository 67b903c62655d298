// The rules behind freezes, colour bars and break-up, on drawn pictures with known answers.
#include "BreakUp.h"
#include "ColourBars.h"
#include "ContentParams.h"
#include "FaultKinds.h"
#include "StillHold.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <string>
#include <vector>

namespace quarvik {
namespace {

// ---- still frames: what the hold gives out for a sequence of verdicts

cv::Mat Grain(int seed)
{
    cv::Mat grey(80, 160, CV_8UC1);
    cv::RNG(seed).fill(grey, cv::RNG::UNIFORM, 40, 200);
    return grey;
}

// The picture re-coded: a third of its pixels moved by 8 grey levels.
cv::Mat Refreshed(const cv::Mat& grey)
{
    cv::Mat moved = grey.clone();
    moved(cv::Rect(0, 0, 160, 27)) += cv::Scalar(8);
    return moved;
}

struct Step {
    int32_t code;
    bool repeat;
    cv::Mat grey;
};

std::string Settle(const std::vector<Step>& steps)
{
    ContentParam_t table[kContentParamCount];
    SetDefaultContentParams(table);
    CStillHold hold;
    std::vector<CStillHold::Verdict> out;
    const cv::Mat colour(120, 160, CV_8UC3, cv::Scalar(1, 2, 3));
    for (size_t i = 0; i < steps.size(); ++i)
        hold.Add(static_cast<int32_t>(i), steps[i].code, steps[i].repeat, steps[i].grey, colour,
                 table[kFaultStillFrame], out);
    hold.Finish(out);
    std::string codes;
    int32_t expected = 0;
    for (const CStillHold::Verdict& v : out) {
        EXPECT_EQ(v.index, expected++) << "in picture order, each once";
        codes += v.code == kFaultStillFrame ? 'S' : v.code == kNoFault ? '.' : 'x';
    }
    return codes;
}

TEST(StillHold, FreezesRepeatRefreshesAreBridgedNoiseAndCutsAreNot)
{
    const cv::Mat a = Grain(1), b = Grain(2);
    const int32_t S = kFaultStillFrame, N = kNoFault;
    struct Case {
        const char* what;
        std::vector<Step> steps;
        const char* expected;
    };
    const Case cases[] = {
        {"a repeated picture is still from its second picture",
         {{N, false, a}, {S, true, a}, {S, true, a}, {N, false, b}}, ".SS."},
        {"still verdicts wait for a repeat, then count from the first",
         {{N, false, a}, {S, false, a}, {S, false, a}, {S, true, a}, {N, false, b}}, ".SSS."},
        {"never a repeat (camera noise): no still frame",
         {{N, false, a}, {S, false, a}, {S, false, a}, {S, false, a}, {N, false, b}}, "....."},
        {"a refresh of two pictures inside a freeze is bridged",
         {{N, false, a}, {S, true, a}, {S, true, a}, {N, false, Refreshed(a)}, {N, false, Refreshed(a)},
          {S, true, Refreshed(a)}, {S, true, Refreshed(a)}},
         ".SSSSSS"},
        {"a cut to another picture ends the freeze",
         {{N, false, a}, {S, true, a}, {N, false, b}, {S, true, b}}, ".S.S"},
        {"a break longer than four pictures ends it",
         {{N, false, a}, {S, true, a}, {N, false, Refreshed(a)}, {N, false, Refreshed(a)},
          {N, false, Refreshed(a)}, {N, false, Refreshed(a)}, {N, false, Refreshed(a)}, {S, true, a}},
         ".S.....S"},
        {"other faults are never held", {{N, false, a}, {S, true, a}, {kFaultBlack, false, a}, {S, true, a}}, ".SxS"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Settle(c.steps), c.expected) << c.what;
}

TEST(StillHold, AFreezeWhoseRepeatsStopWaitsAgain)
{
    // A shot whose coder copied its first picture, then only camera noise.
    const cv::Mat a = Grain(1);
    std::vector<Step> steps{{kNoFault, false, a}, {kFaultStillFrame, true, a}};
    for (int i = 0; i < 30; ++i)
        steps.push_back({kFaultStillFrame, false, a});
    steps.push_back({kNoFault, false, Grain(2)});
    EXPECT_EQ(Settle(steps), "." + std::string(26, 'S') + std::string(6, '.'));
}

TEST(StillHold, WaitingGivesUpAfterTwoSeconds)
{
    const cv::Mat a = Grain(1);
    std::vector<Step> steps{{kNoFault, false, a}};
    for (int i = 0; i < 60; ++i)
        steps.push_back({kFaultStillFrame, false, a});
    steps.push_back({kFaultStillFrame, true, a});
    // The first ten waiting verdicts were given up; the 50 still held become still frames.
    EXPECT_EQ(Settle(steps), std::string(11, '.') + std::string(51, 'S'));
}

// ---- colour bars by their colours

const cv::Scalar kWhite(191, 191, 191), kYellow(0, 191, 191), kCyan(191, 191, 0), kGreen(0, 191, 0),
    kMagenta(191, 0, 191), kRed(0, 0, 191), kBlue(191, 0, 0), kBlack(16, 16, 16), kGrey(104, 104, 104);

// Bars of the given colours side by side over [x0, x1) and rows [y0, y1) of a picture.
void Draw(cv::Mat& picture, const std::vector<cv::Scalar>& colours, int x0, int x1, int y0, int y1)
{
    const int n = static_cast<int>(colours.size());
    for (int i = 0; i < n; ++i)
        cv::rectangle(picture, cv::Point(x0 + (x1 - x0) * i / n, y0),
                      cv::Point(x0 + (x1 - x0) * (i + 1) / n - 1, y1 - 1), colours[static_cast<size_t>(i)], cv::FILLED);
}

TEST(ColourBarSignal, EveryBarSignalAndNothingElse)
{
    const std::vector<cv::Scalar> seven = {kWhite, kYellow, kCyan, kGreen, kMagenta, kRed, kBlue};
    // The analysis area of a 160 x 120 picture: its rows 20 to 99.
    const auto area = [](const cv::Mat& picture) { return picture(cv::Rect(0, 20, 160, 80)).clone(); };

    cv::Mat ebu(120, 160, CV_8UC3, kBlack);
    Draw(ebu, {kWhite, kYellow, kCyan, kGreen, kMagenta, kRed, kBlue, kBlack}, 0, 160, 0, 120);
    EXPECT_TRUE(IsColourBarSignal(area(ebu))) << "EBU";
    cv::rectangle(ebu, cv::Point(128, 26), cv::Point(147, 37), cv::Scalar(230, 230, 230), cv::FILLED);
    cv::rectangle(ebu, cv::Point(16, 96), cv::Point(143, 105), kBlack, cv::FILLED);
    EXPECT_TRUE(IsColourBarSignal(area(ebu))) << "EBU with a logo and a caption";

    cv::Mat smpte(120, 160, CV_8UC3, kBlack);
    Draw(smpte, seven, 0, 160, 0, 80);
    Draw(smpte, {kBlue, kBlack, kMagenta, kBlack, kCyan, kBlack, kWhite}, 0, 160, 80, 90);
    Draw(smpte, {cv::Scalar(70, 30, 0), cv::Scalar(235, 235, 235), cv::Scalar(110, 0, 60), kBlack}, 0, 160, 90, 120);
    EXPECT_TRUE(IsColourBarSignal(area(smpte))) << "SMPTE SD";

    cv::Mat hd(120, 160, CV_8UC3, kGrey);
    Draw(hd, seven, 20, 140, 0, 70);
    Draw(hd, {cv::Scalar(255, 255, 0), kWhite, kBlue}, 0, 160, 70, 80);
    Draw(hd, {kBlack, cv::Scalar(235, 235, 235), kBlack}, 0, 160, 90, 120);
    EXPECT_TRUE(IsColourBarSignal(area(hd))) << "SMPTE HD (RP 219)";

    // The narrowest bars taken (55 % of the width), at either side, with the smear of an edge
    // over three of the four middle columns.
    for (const int x0 : {0, 72}) {
        cv::Mat edge(120, 160, CV_8UC3, kBlack);
        Draw(edge, seven, x0, x0 + 88, 0, 120);
        const int smear = x0 == 0 ? 78 : 79;
        cv::rectangle(edge, cv::Point(smear, 0), cv::Point(smear + 2, 119), kGrey, cv::FILLED);
        EXPECT_TRUE(IsColourBarSignal(area(edge))) << "bars from column " << x0;
    }

    cv::Mat shuffled(120, 160, CV_8UC3, kBlack);
    Draw(shuffled, {kRed, kGreen, kYellow, kBlue, kMagenta, kCyan, kWhite}, 0, 160, 0, 120);
    EXPECT_FALSE(IsColourBarSignal(area(shuffled))) << "a striped set in other colours";
    cv::Mat narrow(120, 160, CV_8UC3, kBlack);
    Draw(narrow, seven, 0, 70, 0, 120);
    EXPECT_FALSE(IsColourBarSignal(area(narrow))) << "the sequence over less than half the width";
    cv::Mat fence(120, 160, CV_8UC3, kBlack);
    for (int x = 0; x < 160; x += 10)
        cv::rectangle(fence, cv::Point(x, 0), cv::Point(x + 4, 119), kWhite, cv::FILLED);
    EXPECT_FALSE(IsColourBarSignal(area(fence))) << "a picket fence";
}

// ---- break-up on the decoded luma

LumaPlane Plane(const cv::Mat& luma)
{
    LumaPlane plane;
    plane.data = luma.data;
    plane.stride = static_cast<int>(luma.step);
    plane.width = luma.cols;
    plane.height = luma.rows;
    return plane;
}

TEST(BreakUp, FlatBlocksWithStepsAreBreakUpDrawnEdgesAndGrainAreNot)
{
    // A smooth picture with grain, as clean programme decodes.
    cv::Mat clean(576, 720, CV_8UC1);
    for (int y = 0; y < clean.rows; ++y)
        for (int x = 0; x < clean.cols; ++x)
            clean.at<uchar>(y, x) = static_cast<uchar>(60 + 100 * (x * x + 3 * y * y) / (720 * 720 + 3 * 576 * 576));
    cv::Mat grain(clean.size(), CV_8SC1);
    cv::RNG(3).fill(grain, cv::RNG::NORMAL, 0, 3);
    cv::Mat grainy;
    cv::add(clean, grain, grainy, cv::noArray(), CV_8U);
    EXPECT_LT(BreakUpPerMille(Plane(grainy)), kBreakUpPerMille * 2 / 3);

    // Detail coded by a starved coder: every 8 x 8 block flat at its mean.
    cv::Mat detail(576, 720, CV_8UC1);
    for (int y = 0; y < 576; ++y)
        for (int x = 0; x < 720; ++x)
            detail.at<uchar>(y, x) = static_cast<uchar>(120 + 50 * std::sin(x / 23.0) * std::cos(y / 17.0));
    cv::Mat starved = detail.clone();
    for (int y = 0; y < 576; y += 8)
        for (int x = 0; x < 720; x += 8)
            starved(cv::Rect(x, y, 8, 8)).setTo(cv::mean(detail(cv::Rect(x, y, 8, 8))));
    EXPECT_GE(BreakUpPerMille(Plane(starved)), kBreakUpPerMille);
    EXPECT_LT(BreakUpPerMille(Plane(detail)), kBreakUpPerMille * 2 / 3);

    // A chequerboard of 16-pixel squares: drawn edges far above any coding step.
    cv::Mat chequer(576, 720, CV_8UC1);
    for (int y = 0; y < 576; ++y)
        for (int x = 0; x < 720; ++x)
            chequer.at<uchar>(y, x) = ((x / 16 + y / 16) % 2) ? 220 : 30;
    EXPECT_EQ(BreakUpPerMille(Plane(chequer)), 0);

    EXPECT_EQ(BreakUpPerMille(LumaPlane{}), 0) << "no decoded picture: no break-up";
}

TEST(BreakUp, BandsConcealedOutOfPlaceOrStreakedAreBrokenProgrammeAndStripesAreNot)
{
    // Programme: a smooth picture with grain; stripes: vertical bars whose grain the coder
    // has nearly smoothed away (a tenth of a grey level a row).
    cv::Mat programme(576, 720, CV_8UC1), stripes(576, 720, CV_8UC1);
    for (int y = 0; y < 576; ++y)
        for (int x = 0; x < 720; ++x) {
            programme.at<uchar>(y, x) = static_cast<uchar>(60 + 100 * (x * x + 3 * y * y) / (720 * 720 + 3 * 576 * 576));
            stripes.at<uchar>(y, x) = static_cast<uchar>((x / 90) % 2 ? 180 : 50);
        }
    cv::Mat grain(programme.size(), CV_8SC1);
    cv::RNG(5).fill(grain, cv::RNG::NORMAL, 0, 3);
    cv::add(programme, grain, programme, cv::noArray(), CV_8U);
    for (int y = 0; y < 576; ++y)
        for (int x = 0; x < 720; x += 7)
            stripes.at<uchar>(y, x) = static_cast<uchar>(stripes.at<uchar>(y, x) + (x + y) % 2);

    // H.264 concealment of the picture's lower part: row 319 drawn down to the bottom.
    cv::Mat streaked = programme.clone();
    for (int y = 320; y < 576; ++y)
        programme.row(319).copyTo(streaked.row(y));
    // MPEG-2 concealment of one slice (rows 160-175) from a picture 14 grey levels darker.
    cv::Mat slice = programme.clone();
    slice(cv::Rect(0, 160, 720, 16)) -= cv::Scalar(14);
    cv::Mat chequer(576, 720, CV_8UC1);
    for (int y = 0; y < 576; ++y)
        for (int x = 0; x < 720; ++x)
            chequer.at<uchar>(y, x) = ((x / 16 + y / 16) % 2) ? 220 : 30;

    cv::Mat drawn(576, 720, CV_8UC1);
    for (int y = 0; y < 576; ++y)
        for (int x = 0; x < 720; ++x)
            drawn.at<uchar>(y, x) = static_cast<uchar>(40 + x / 4);

    // Each picture after the one before it.
    const struct {
        const char* what;
        const cv::Mat& before;
        const cv::Mat& luma;
        int fewest, most;
    } cases[] = {
        {"programme", programme, programme, 0, 0},
        {"coded stripes", programme, stripes, 0, 0},
        {"chequerboard", programme, chequer, 0, 0},
        {"a ramp drawn without grain, held", drawn, drawn, 0, 0},
        {"streaked lower part", programme, streaked, 16, 16},
        {"slice out of place", programme, slice, 2, 2},
    };
    std::vector<uint8_t> before;
    for (const auto& c : cases) {
        StreakedBands(Plane(c.before), before);
        const int broken = BrokenBands(Plane(c.luma), before);
        EXPECT_GE(broken, c.fewest) << c.what;
        EXPECT_LE(broken, c.most) << c.what;
    }
    EXPECT_EQ(BrokenBands(LumaPlane{}, before), 0) << "no decoded picture: no break-up";
}

}  // namespace
}  // namespace quarvik
