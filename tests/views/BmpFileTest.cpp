#include "BmpFile.h"
#include "FaultBitmap.h"
#include "Pictures.h"
#include "ViewsTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace quarvik {
namespace {

using test::Le32;
using test::ReadBytes;

TEST(BmpFile, HeadersAndBottomUpPaddedRows)
{
    // 3 x 2 pixels: each row of 9 bytes is padded to 12; the bottom row comes first.
    const std::vector<uint8_t> bgr = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    const std::vector<uint8_t> file = EncodeBmp24(bgr.data(), 3, 2);
    const std::string bytes(file.begin(), file.end());

    ASSERT_EQ(bytes.size(), 54u + 2 * 12);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(Le32(bytes, 2), bytes.size());
    EXPECT_EQ(Le32(bytes, 6), 0u);
    EXPECT_EQ(Le32(bytes, 10), 54u);
    EXPECT_EQ(Le32(bytes, 14), 40u);
    EXPECT_EQ(Le32(bytes, 18), 3u);
    EXPECT_EQ(Le32(bytes, 22), 2u);
    EXPECT_EQ(Le32(bytes, 26) & 0xFFFF, 1u);  // planes
    EXPECT_EQ(Le32(bytes, 26) >> 16, 24u);    // bits per pixel
    EXPECT_EQ(Le32(bytes, 30), 0u);           // uncompressed
    const std::string rows = bytes.substr(54);
    EXPECT_EQ(rows, std::string("\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11\x12\0\0\0"
                                "\x01\x02\x03\x04\x05\x06\x07\x08\x09\0\0\0",
                                24));
}

TEST(BmpFile, ReportPictureFileIs80By60)
{
    test::ScratchFolder folder;
    const QImage picture = MakeFaultBitmap(nullptr, 0, 0, kReportPictureWidth, kReportPictureHeight, -30, true);
    std::string error;
    ASSERT_TRUE(SavePictureBmp(picture, folder / "0.bmp", error)) << error;
    const std::string bytes = ReadBytes(folder / "0.bmp");
    ASSERT_EQ(bytes.size(), 54u + 80 * 3 * 60);
    EXPECT_EQ(Le32(bytes, 18), 80u);
    EXPECT_EQ(Le32(bytes, 22), 60u);
    // The first stored row is the picture's bottom row: the frame's dark outer edge.
    const QRgb bottomLeftInside = picture.pixel(5, 59);
    EXPECT_EQ(static_cast<uint8_t>(bytes[54 + 5 * 3 + 2]), qRed(bottomLeftInside));
    EXPECT_EQ(static_cast<uint8_t>(bytes[54 + 5 * 3]), qBlue(bottomLeftInside));
}

TEST(BmpFile, WriteFailuresNameTheFileAndLeaveNoFile)
{
    const std::vector<uint8_t> bytes(70000, 1);  // larger than any stdio buffer
    std::string error;
    test::ScratchFolder folder;
    {
        test::DiskFullAfter full(1000);
        EXPECT_FALSE(WriteFileBytes(folder / "0.bmp", bytes, error));
    }
    EXPECT_NE(error.find("0.bmp"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(folder / "0.bmp"));

    EXPECT_FALSE(WriteFileBytes(folder / "missing/0.bmp", bytes, error));
    EXPECT_NE(error.find("missing/0.bmp"), std::string::npos) << error;
}

}  // namespace
}  // namespace quarvik
