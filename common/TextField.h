// Copying text into the fixed-width character fields of the plain records.
//
// The records keep their fixed widths (paths 260, names 64, ...). Text is UTF-8, so a cut
// is made at a character boundary: a truncated name never ends in half a character.
#pragma once

#include <cstddef>
#include <string_view>

namespace quarvik {

// Copies at most capacity - 1 bytes of src into dst and terminates it; the cut falls on a
// UTF-8 character boundary. Returns the number of bytes copied. capacity 0 copies nothing.
size_t CopyText(char* dst, size_t capacity, std::string_view src);

template <size_t N>
size_t CopyField(char (&dst)[N], std::string_view src)
{
    return CopyText(dst, N, src);
}

// True when src fits the field whole, with its terminating NUL.
template <size_t N>
constexpr bool FitsField(const char (&)[N], std::string_view src)
{
    return src.size() < N;
}

}  // namespace quarvik
