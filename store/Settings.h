// The settings keys of "Quarvik.ini" and "system.ini" in the program folder, with their
// defaults, in one table. Every read goes to the file at the moment of use (nothing is cached),
// so a value written by the options dialog is seen by the next read on any thread.
#pragma once

#include "Loudness.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quarvik {

struct IntSetting {
    const char* file;
    const char* section;
    const char* key;
    int32_t defaultValue;
};

struct TextSetting {
    const char* file;
    const char* section;
    const char* key;
    const char* defaultValue;
};

inline constexpr char kSettingsFile[] = "Quarvik.ini";
inline constexpr char kLayoutFile[] = "system.ini";

inline constexpr IntSetting kEnAlertLight{kSettingsFile, "General", "EnAlertLight", 1};
inline constexpr TextSetting kCachePath{kSettingsFile, "General", "CachePath", ""};
inline constexpr IntSetting kCacheMinSpace{kSettingsFile, "General", "CacheMinSpace", 5};  // GiB
inline constexpr IntSetting kEnConvert{kSettingsFile, "Result", "EnConvert", 0};
inline constexpr IntSetting kPlayoutSystem{kSettingsFile, "Result", "System", 0};
inline constexpr TextSetting kDbServer{kSettingsFile, "Result", "DbServer", ""};
inline constexpr TextSetting kDbUser{kSettingsFile, "Result", "DbUser", ""};
inline constexpr TextSetting kDbPass{kSettingsFile, "Result", "DbPass", ""};  // scrambled; use Read/WriteDbPass
// Programme loudness judging; figures in LUFS, LU and dBTP, read with ReadLoudnessLimits.
inline constexpr IntSetting kLoudnessEnable{kSettingsFile, "Loudness", "Enable", 0};
inline constexpr TextSetting kLoudnessTarget{kSettingsFile, "Loudness", "Target", "-23"};
inline constexpr TextSetting kLoudnessTolerance{kSettingsFile, "Loudness", "Tolerance", "1"};
inline constexpr TextSetting kLoudnessMaxTruePeak{kSettingsFile, "Loudness", "MaxTruePeak", "-1"};

int32_t ReadSetting(const IntSetting& setting);
std::string ReadSetting(const TextSetting& setting);
bool WriteSetting(const IntSetting& setting, int32_t value);
bool WriteSetting(const TextSetting& setting, std::string_view value);

// Every byte replaced by 255 minus its value; applying it twice gives the text back.
std::string ScrambleDbPass(std::string_view text);

constexpr size_t kMaxDbPassLength = 1023;

// The playout database password, unscrambled (at most kMaxDbPassLength bytes).
std::string ReadDbPass();
// False, writing nothing, for a password that could not be read back as given: longer than
// kMaxDbPassLength, or with a byte that scrambles into a NUL, a line break, a surrounding
// blank or quote.
bool WriteDbPass(std::string_view password);

// The loudness section; a figure that is not a number, or a negative tolerance, reads as
// its default.
LoudnessLimits ReadLoudnessLimits();
bool WriteLoudnessLimits(const LoudnessLimits& limits);

// Width of the workspace's task column; 30 % of workspaceWidth when none is stored.
int32_t ReadLeftWidth(int32_t workspaceWidth);
bool WriteLeftWidth(uint32_t width);

// The width of a result list's column that the operator dragged ("ResultColumn<column>" of section
// View, the column's number as the list counts it); defaultWidth when none is stored.
int32_t ReadResultColumnWidth(int column, int32_t defaultWidth);
bool WriteResultColumnWidth(int column, uint32_t width);

// The folder the manual list last added files from ("LastFolder" of section View); empty when none.
std::string ReadLastFolder();
// False, writing nothing, for a folder the file cannot hold (a line break, surrounding blanks).
bool WriteLastFolder(const std::string& folder);

// The start-up message for a cache folder that is not set or does not exist.
std::string CacheFolderInvalidText(const std::string& cachePath);
bool IsExistingFolder(const std::string& path);

}  // namespace quarvik
