#include "BmpFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace quarvik {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

}  // namespace

std::vector<uint8_t> EncodeBmp24(const uint8_t* bgr, int width, int height)
{
    const uint32_t rowBytes = static_cast<uint32_t>(width) * 3;
    const uint32_t stride = (rowBytes + 3) & ~3u;
    const uint32_t pixelBytes = stride * static_cast<uint32_t>(height);

    std::vector<uint8_t> out;
    out.reserve(kBmpHeaderBytes + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    Put32(out, kBmpHeaderBytes + pixelBytes);
    Put32(out, 0);  // reserved
    Put32(out, kBmpHeaderBytes);
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(width));
    Put32(out, static_cast<uint32_t>(height));  // positive: rows run bottom-up
    Put16(out, 1);                              // planes
    Put16(out, 24);
    Put32(out, 0);  // uncompressed
    Put32(out, pixelBytes);
    Put32(out, 0);  // no preferred resolution
    Put32(out, 0);
    Put32(out, 0);  // no palette
    Put32(out, 0);
    for (int y = height - 1; y >= 0; --y) {
        const uint8_t* row = bgr + static_cast<size_t>(y) * rowBytes;
        out.insert(out.end(), row, row + rowBytes);
        out.insert(out.end(), stride - rowBytes, 0);
    }
    return out;
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeErrno = errno;
    const bool closed = std::fclose(file) == 0;
    if (written && closed)
        return true;
    error = "cannot write " + path + ": " + std::strerror(written ? errno : writeErrno);
    std::remove(path.c_str());
    return false;
}

}  // namespace quarvik
