// Windows bitmap files of the reports: a 14-byte file header, a 40-byte information header and
// bottom-up 24-bit rows, each padded to a multiple of 4 bytes. No Qt here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quarvik {

constexpr int kBmpHeaderBytes = 14 + 40;

// Encodes width x height pixels given as blue-green-red bytes, top row first, rows without
// gaps (width * height * 3 bytes at bgr). Width and height must be positive.
std::vector<uint8_t> EncodeBmp24(const uint8_t* bgr, int width, int height);

// Writes bytes to path, replacing the file. False with a message in error when the file cannot
// be created or is written short (a full disk); a short file is removed.
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

}  // namespace quarvik
