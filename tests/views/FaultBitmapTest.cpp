#include "FaultBitmap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace quarvik {
namespace {

// Classifies segment i of a drawn meter by its exact grey and green pixels; the red text
// drawn over some segments matches neither.
bool SegmentIsGrey(const QImage& picture, int i, int32_t value)
{
    const MeterSegment s = LevelMeterSegment(i, picture.width(), picture.height(), value);
    int grey = 0, green = 0;
    for (int y = s.y; y < s.y + s.height; ++y) {
        for (int x = s.x; x < s.x + s.width; ++x) {
            const QRgb p = picture.pixel(x, y) & 0xFFFFFF;
            grey += p == 0xC0C0C0;
            green += p == 0x00FF00;
        }
    }
    EXPECT_GT(grey + green, s.width * s.height / 4) << "segment " << i;
    return grey > green;
}

struct MeterCase {
    int32_t value;
    int width, height;
    int greySegments;
};

class LevelMeter : public ::testing::TestWithParam<MeterCase> {};

TEST_P(LevelMeter, GreySegmentsFromTheTop)
{
    const MeterCase c = GetParam();
    const QImage picture = MakeFaultBitmap(nullptr, 0, 0, c.width, c.height, c.value, true);
    ASSERT_EQ(picture.size(), QSize(c.width, c.height));
    int grey = 0;
    for (int i = 0; i < kMeterSegments; ++i) {
        const bool isGrey = SegmentIsGrey(picture, i, c.value);
        EXPECT_EQ(isGrey, i < c.greySegments) << "segment " << i;
        grey += isGrey;
    }
    EXPECT_EQ(grey, c.greySegments);
    EXPECT_EQ(picture.pixel(3, c.height / 2) & 0xFFFFFF, 0x404040u);  // the dark background
}

INSTANTIATE_TEST_SUITE_P(BothSizes, LevelMeter,
                         ::testing::Values(MeterCase{-9, 160, 120, 2}, MeterCase{-30, 160, 120, 6},
                                           MeterCase{-60, 160, 120, 10}, MeterCase{-9, 80, 60, 4},
                                           MeterCase{-30, 80, 60, 10}, MeterCase{-60, 80, 60, 10},
                                           MeterCase{9, 160, 120, 2}),
                         [](const ::testing::TestParamInfo<MeterCase>& info) {
                             const MeterCase& c = info.param;
                             return (c.value < 0 ? "Minus" : "Plus") + std::to_string(std::abs(c.value)) + "dBFS_" +
                                    std::to_string(c.width) + "x" + std::to_string(c.height);
                         });

TEST(LevelMeterGeometry, SegmentsOfBothSizes)
{
    const MeterSegment big = LevelMeterSegment(3, 160, 120, 0);
    EXPECT_EQ(big.x, 40);
    EXPECT_EQ(big.y, 6 + 3 * 11);
    EXPECT_EQ(big.width, 80);
    EXPECT_EQ(big.height, 8);
    const MeterSegment small = LevelMeterSegment(9, 80, 60, 0);
    EXPECT_EQ(small.x, 20);
    EXPECT_EQ(small.y, 6 + 9 * 5);
    EXPECT_EQ(small.width, 40);
    EXPECT_EQ(small.height, 2);
}

TEST(FaultBitmap, LevelTextIsDrawnInRed)
{
    const QImage picture = MakeFaultBitmap(nullptr, 0, 0, 160, 120, -30, true);
    int red = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            red += (picture.pixel(x, y) & 0xFFFFFF) == 0xFF0000;
    EXPECT_GT(red, 20);
}

TEST(FaultBitmap, SnapshotStretchedInsideTheButtonFrame)
{
    // A 160 x 120 snapshot, blue left half and red right half (blue-green-red bytes).
    std::vector<uint8_t> snapshot(kSnapshotWidth * kSnapshotHeight * 3);
    for (int y = 0; y < kSnapshotHeight; ++y) {
        for (int x = 0; x < kSnapshotWidth; ++x) {
            uint8_t* p = &snapshot[(y * kSnapshotWidth + x) * 3];
            p[x < 80 ? 0 : 2] = 255;
        }
    }
    const QImage picture = MakeFaultBitmap(snapshot.data(), kSnapshotWidth, kSnapshotHeight, 80, 60, 0, true);
    ASSERT_EQ(picture.size(), QSize(80, 60));
    EXPECT_EQ(picture.pixel(2, 2) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(picture.pixel(38, 57) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(picture.pixel(41, 30) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(picture.pixel(77, 57) & 0xFFFFFF, 0xFF0000u);
    // Raised frame: light top-left, dark bottom-right.
    EXPECT_GT(qGray(picture.pixel(0, 0)), 200);
    EXPECT_LT(qGray(picture.pixel(79, 59)), 120);
    EXPECT_LT(qGray(picture.pixel(78, 58)), 170);
}

}  // namespace
}  // namespace quarvik
