// INI files with the semantics of the Windows private-profile functions.
//
// Section and key names match case-insensitively; names and values are read with surrounding
// blanks removed and a value quoted at both ends ("..." or '...') loses its quotes. A missing
// file, section or key (or an empty value) gives the default; the first of duplicate keys wins.
// Writing one key rewrites the file with every other line (sections, keys, comments) as it
// was, and replaces the file in one rename, so a full disk leaves the old file whole.
//
// Threading: calls may come from any thread; within the process they are serialized, so two
// writers of different keys of one file both keep their key.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quarvik {

std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                                    const std::string& path);

// The value's leading decimal integer (optional sign); a value without digits reads as 0.
int32_t GetPrivateProfileInt(std::string_view section, std::string_view key, int32_t defaultValue,
                             const std::string& path);

// Sets key in section, creating the file, section or key as needed. False when the file cannot
// be written or a name or the value cannot be stored on one line (line breaks, NUL, '=' or ']'
// in names).
bool WritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::string& path);

// Whether value, once written, reads back exactly: no line break or NUL, no surrounding blanks,
// not quoted at both ends.
bool IsStorableProfileValue(std::string_view value);

}  // namespace quarvik
