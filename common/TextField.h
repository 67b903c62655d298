// Copying text into the fixed-width character fields of the plain records.
//
// The records keep fixed widths. Every path field (file names, local copies, cache and watched
// folders, remote paths) holds kPathFieldBytes, so any path Linux can name fits whole; every
// name field holds kNameFieldBytes; other fields have widths of their own. Text is UTF-8, so a
// cut is made at a character boundary: a truncated name never ends in half a character.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace quarvik {

constexpr size_t kPathFieldBytes = 4096;  // PATH_MAX, the terminating NUL included
constexpr size_t kNameFieldBytes = 256;

// Copies at most capacity - 1 bytes of src into dst and terminates it; the cut falls on a
// UTF-8 character boundary. Returns the number of bytes copied. capacity 0 copies nothing.
size_t CopyText(char* dst, size_t capacity, std::string_view src);

template <size_t N>
size_t CopyField(char (&dst)[N], std::string_view src)
{
    return CopyText(dst, N, src);
}

// A text field of a record, read no further than its width even when it lacks its NUL.
template <size_t N>
std::string_view FieldText(const char (&field)[N])
{
    return {field, strnlen(field, N)};
}

// True when src fits the field whole, with its terminating NUL.
template <size_t N>
constexpr bool FitsField(const char (&)[N], std::string_view src)
{
    return src.size() < N;
}

}  // namespace quarvik
