// The small pictures of the lists and reports, all drawn in code, and their bitmap files.
#pragma once

#include <QImage>

#include <cstdint>
#include <string>

namespace quarvik {

constexpr int kFacePictureSize = 40;

// Format icons, in the order of their strip: none yet, format valid, format invalid.
enum FormatIcon { kFormatIconBlank = 0, kFormatIconValid = 1, kFormatIconInvalid = 2 };
constexpr int kFormatIconCount = 3;

// The result's face picture (40 x 40 blue-green-red, top row first, kFaceImageSize bytes), or
// the program's default picture when pixels is null or shorter than that.
QImage FacePicture(const uint8_t* pixels, int32_t size);

// 40 x 40: white, a green tick or a red cross on white.
QImage FormatPicture(FormatIcon icon);

// Saves picture as a 24-bit Windows bitmap file; false with the reason in error.
bool SavePictureBmp(const QImage& picture, const std::string& path, std::string& error);

}  // namespace quarvik
