#include "FaultKinds.h"
#include "PictureTests.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

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

TEST_F(PictureTestsTest, AnalysisRegionDropsTopAndBottomRows)
{
    EXPECT_EQ(AnalysisRegion(160, 120), cv::Rect(0, 20, 160, 80));
    EXPECT_EQ(AnalysisRegion(64, 50), cv::Rect(0, 20, 64, 10));
    EXPECT_TRUE(AnalysisRegion(160, 40).empty());
}

}  // namespace
}  // namespace quarvik
