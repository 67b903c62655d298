#include "TextField.h"

#include <cstring>

namespace quarvik {

size_t CopyText(char* dst, size_t capacity, std::string_view src)
{
    if (capacity == 0)
        return 0;
    size_t n = src.size() < capacity - 1 ? src.size() : capacity - 1;
    if (n < src.size()) {
        // Step back over continuation bytes (10xxxxxx) so the cut does not split a character.
        while (n > 0 && (static_cast<unsigned char>(src[n]) & 0xC0) == 0x80)
            --n;
    }
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
    return n;
}

}  // namespace quarvik
