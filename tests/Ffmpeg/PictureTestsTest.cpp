#include "FaultKinds.h"
#include "PictureTests.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include <cmath>

namespace quarvik {
namespace {

// A grey analysis area of 160 x 80, as the engine cuts it out of a 160 x 120 picture.
cv::Mat Flat(int level)
{
    return cv::Mat(80, 160, CV_8UC1, cv::Scalar(level));
}

// Eight vertical stripes of 20 columns with the given levels.
cv::Mat Bars(const int (&levels)[8])
{
    cv::Mat grey(80, 160, CV_8UC1);
    for (int i = 0; i < 8; ++i)
        grey(cv::Rect(i * 20, 0, 20, 80)).setTo(levels[i]);
    return grey;
}

// A picture with texture everywhere, so no uniformity test fires.
cv::Mat Noise(int seed)
{
    cv::Mat grey(80, 160, CV_8UC1);
    cv::RNG rng(seed);
    rng.fill(grey, cv::RNG::UNIFORM, 0, 256);
    return grey;
}

class PictureTestsTest : public ::testing::Test {
protected:
    void SetUp() override { SetDefaultContentParams(m_params); }
    int Classify(const cv::Mat& grey) { return ClassifyPicture(grey, m_prev, m_params); }

    ContentParam_t m_params[kContentParamCount];
    cv::Mat m_prev;
};

TEST_F(PictureTestsTest, UniformPicturesAreBlackOrColourField)
{
    struct Case { int level; int verdict; };
    // The black comparison is strict: with threshold 5, level 4 is black and 5 is not.
    const Case cases[] = {{0, kFaultBlack}, {4, kFaultBlack}, {5, kFaultColourField},
                          {128, kFaultColourField}, {255, kFaultColourField}};
    for (const Case& c : cases) {
        m_prev.release();
        EXPECT_EQ(Classify(Flat(c.level)), c.verdict) << "level " << c.level;
    }
}

TEST_F(PictureTestsTest, BlackNeedsItsShareOfDarkPixels)
{
    cv::Mat grey = Flat(0);
    // 97 % needed: 388 of 12 800 pixels (3.03 %) bright leaves 96 % dark.
    grey(cv::Rect(0, 0, 160, 2)).setTo(200);
    grey(cv::Rect(0, 2, 68, 1)).setTo(200);
    EXPECT_FALSE(IsBlack(grey, m_params[kFaultBlack]));
    grey = Flat(0);
    grey(cv::Rect(0, 0, 160, 2)).setTo(200);  // 2.5 % bright: 97 % dark
    EXPECT_TRUE(IsBlack(grey, m_params[kFaultBlack]));
}

TEST_F(PictureTestsTest, ColourBarsNeedEightDistinctUniformStripes)
{
    const int pal[8] = {180, 162, 131, 112, 84, 65, 35, 16};
    EXPECT_EQ(Classify(Bars(pal)), kFaultColourBars);

    const int twoEqual[8] = {180, 162, 131, 112, 84, 65, 35, 35};
    EXPECT_FALSE(IsColourBars(Bars(twoEqual), m_params[kFaultColourBars]));
    const int tooClose[8] = {180, 162, 131, 112, 84, 65, 35, 31};
    EXPECT_FALSE(IsColourBars(Bars(tooClose), m_params[kFaultColourBars]));
    const int justApart[8] = {180, 162, 131, 112, 84, 65, 35, 30};
    EXPECT_TRUE(IsColourBars(Bars(justApart), m_params[kFaultColourBars]));

    // Three stripes of noise leave five uniform ones: not enough.
    cv::Mat mixed = Bars(pal);
    Noise(1)(cv::Rect(0, 0, 60, 80)).copyTo(mixed(cv::Rect(0, 0, 60, 80)));
    EXPECT_FALSE(IsColourBars(mixed, m_params[kFaultColourBars]));
}

TEST_F(PictureTestsTest, StripeOfTwoFarLevelsCountsAsUniform)
{
    const int pal[8] = {180, 162, 131, 112, 84, 65, 35, 16};
    cv::Mat grey = Bars(pal);
    // Stripe 0: half 0, half 250; its mean 125 has no pixel within 10 of it.
    grey(cv::Rect(0, 0, 20, 40)).setTo(0);
    grey(cv::Rect(0, 40, 20, 40)).setTo(250);
    EXPECT_TRUE(IsColourBars(grey, m_params[kFaultColourBars]));
}

TEST_F(PictureTestsTest, StillFrameComparesWithThePreviousPicture)
{
    const cv::Mat a = Noise(7);
    EXPECT_EQ(Classify(a), kNoFault) << "the first picture is never a still frame";
    EXPECT_EQ(Classify(a), kFaultStillFrame);

    // A step of one level counts as unchanged; from 0 to 255 as changed.
    cv::Mat b = a.clone();
    b.setTo(127);
    Noise(8)(cv::Rect(0, 0, 160, 40)).copyTo(b(cv::Rect(0, 0, 160, 40)));
    m_prev = b.clone();
    cv::Mat c = b.clone();
    c.setTo(128, b == 127);
    EXPECT_EQ(Classify(c), kFaultStillFrame);
    cv::Mat d = c.clone();
    d(cv::Rect(0, 79, 160, 1)).setTo(0);
    m_prev = d.clone();
    d(cv::Rect(0, 79, 160, 1)).setTo(255);  // 160 changed pixels: 98.75 % unchanged
    EXPECT_EQ(Classify(d), kNoFault);
}

TEST_F(PictureTestsTest, EarlierTestsShieldTheStillFrameReference)
{
    const cv::Mat a = Noise(3);
    EXPECT_EQ(Classify(a), kNoFault);
    EXPECT_EQ(Classify(Flat(0)), kFaultBlack);
    // The black picture did not replace the reference, so the next picture matches `a`.
    EXPECT_EQ(Classify(a), kFaultStillFrame);

    m_params[kFaultStillFrame].nEnable = 0;
    EXPECT_EQ(Classify(a), kNoFault);
}

TEST_F(PictureTestsTest, MosaicFindsBlockCorners)
{
    // 16-pixel blocks of alternating levels: straight block edges in both directions.
    cv::Mat blocks(80, 160, CV_8UC1);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 160; ++x)
            blocks.at<uchar>(y, x) = static_cast<uchar>(((x / 16 + y / 16) % 2) ? 40 + (x / 16) * 9 : 200 - (y / 16) * 11);
    EXPECT_TRUE(IsMosaic(blocks));
    EXPECT_FALSE(IsMosaic(Flat(90)));
    EXPECT_FALSE(IsMosaic(blocks(cv::Rect(0, 0, 16, 80)).clone())) << "no scan positions";

    m_params[kFaultMosaic].nEnable = 0;
    EXPECT_EQ(Classify(blocks), kNoFault) << "mosaic switched off";
    m_params[kFaultMosaic].nEnable = 1;
    m_prev.release();
    EXPECT_EQ(Classify(blocks), kFaultMosaic);
    EXPECT_EQ(Classify(blocks), kFaultStillFrame) << "a still frame wins over mosaic";
}

// The uniformity tests count in their own loops; they must agree with OpenCV's operations as
// the rules were first written with them (mean, range test with the bounds rounded half to
// even, strict comparison), also at a band's very edge and on parts of a picture.
TEST_F(PictureTestsTest, UniformityTestsAgreeWithOpenCvAtEveryEdge)
{
    const auto inBand = [](const cv::Mat& grey, double mean, int band) {
        cv::Mat mask;
        cv::inRange(grey, cv::Scalar(mean - band), cv::Scalar(mean + band), mask);
        return cv::countNonZero(mask);
    };
    const auto percent = [](int count, const cv::Mat& grey) { return count * 100 / static_cast<int>(grey.total()); };
    cv::RNG rng(11);
    int fieldsSeen = 0, barsSeen = 0, blacksSeen = 0;
    for (int round = 0; round < 3000; ++round) {
        // By turns: eight stripes of levels far apart, one level, and a dark picture. Each
        // pixel is its level or the level next to it, so that the mean falls on or near half
        // a level and the band's rounded ends fall on levels that are there; a few far pixels.
        const int kind = round % 3;
        const int base = kind == 2 ? rng.uniform(0, 12) : rng.uniform(0, 256);
        cv::Mat grey(80, 163, CV_8UC1);
        for (int y = 0; y < grey.rows; ++y)
            for (int x = 0; x < grey.cols; ++x) {
                const int stripe = x / 20;
                const int level = kind == 0 ? base + (stripe % 2 ? 40 * stripe / 2 : -30 * stripe / 2) : base;
                grey.at<uchar>(y, x) = cv::saturate_cast<uchar>(level + rng.uniform(0, 2) +
                                                                (rng.uniform(0, 100) == 0 ? 90 : 0));
            }
        ContentParam_t param{};
        param.nEnable = 1;
        param.nThreshold1 = rng.uniform(0, 12);
        param.nThreshold2 = rng.uniform(80, 101);

        const double mean = cv::mean(grey)[0];
        const bool field = percent(inBand(grey, mean, param.nThreshold1), grey) >= param.nThreshold2;
        ASSERT_EQ(IsColourField(grey, param), field) << "round " << round;
        fieldsSeen += field;

        cv::Mat mask;
        cv::compare(grey, param.nThreshold1, mask, cv::CMP_LT);
        const bool black = percent(cv::countNonZero(mask), grey) >= param.nThreshold2;
        ASSERT_EQ(IsBlack(grey, param), black) << "round " << round;
        blacksSeen += black;

        const int s = grey.cols / 8;
        double means[8];
        int uniform = 0;
        for (int i = 0; i < 8; ++i) {
            const cv::Mat stripe = grey(cv::Rect(i * s, 0, s, grey.rows));
            means[i] = cv::mean(stripe)[0];
            const int count = inBand(stripe, means[i], param.nThreshold1);
            uniform += (count == 0 ? 100 : count * 100 / (grey.rows * s)) >= param.nThreshold2;
        }
        bool bars = uniform >= 6;
        for (int i = 0; i < 8 && bars; ++i)
            for (int j = i + 1; j < 8 && bars; ++j)
                bars = std::fabs(means[i] - means[j]) >= 5.0;
        ASSERT_EQ(IsColourBars(grey, param), bars) << "round " << round;
        barsSeen += bars;
    }
    // A mean of exactly half a level: three pixels in four at L, one at L + 2. With a band of
    // 1 the range runs from L to L + 2 for an even L, from L - 1 to L + 1 for an odd one.
    for (const int level : {100, 101}) {
        cv::Mat grey = Flat(level);
        for (int x = 0; x < grey.cols; x += 4)
            grey.col(x).setTo(level + 2);
        ContentParam_t param{};
        param.nEnable = 1;
        param.nThreshold1 = 1;
        param.nThreshold2 = 80;
        EXPECT_EQ(IsColourField(grey, param), level % 2 == 0) << "level " << level;
        EXPECT_EQ(IsColourField(grey, param), percent(inBand(grey, cv::mean(grey)[0], 1), grey) >= 80);
    }
    // Both verdicts were met often enough for the comparison to mean something.
    EXPECT_GT(fieldsSeen, 50);
    EXPECT_GT(blacksSeen, 50);
    EXPECT_GT(barsSeen, 50);
    EXPECT_LT(fieldsSeen + barsSeen, 2 * 3000 - 100);
}

TEST_F(PictureTestsTest, AnalysisRegionDropsTopAndBottomRows)
{
    EXPECT_EQ(AnalysisRegion(160, 120), cv::Rect(0, 20, 160, 80));
    EXPECT_EQ(AnalysisRegion(64, 50), cv::Rect(0, 20, 64, 10));
    EXPECT_TRUE(AnalysisRegion(160, 40).empty());
}

}  // namespace
}  // namespace quarvik
