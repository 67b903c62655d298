#include "Settings.h"

#include "ProgramFolder.h"
#include "Profile.h"

#include <sys/stat.h>

#include <charconv>
#include <cmath>
#include <cstdio>

namespace quarvik {

int32_t ReadSetting(const IntSetting& s)
{
    return GetPrivateProfileInt(s.section, s.key, s.defaultValue, ProgramFilePath(s.file));
}

std::string ReadSetting(const TextSetting& s)
{
    return GetPrivateProfileString(s.section, s.key, s.defaultValue, ProgramFilePath(s.file));
}

bool WriteSetting(const IntSetting& s, int32_t value)
{
    return WritePrivateProfileString(s.section, s.key, std::to_string(value), ProgramFilePath(s.file));
}

bool WriteSetting(const TextSetting& s, std::string_view value)
{
    return WritePrivateProfileString(s.section, s.key, value, ProgramFilePath(s.file));
}

std::string ScrambleDbPass(std::string_view text)
{
    std::string scrambled(text);
    for (char& c : scrambled)
        c = static_cast<char>(255 - static_cast<unsigned char>(c));
    return scrambled;
}

std::string ReadDbPass()
{
    std::string stored = ReadSetting(kDbPass);
    if (stored.size() > kMaxDbPassLength)
        stored.resize(kMaxDbPassLength);
    return ScrambleDbPass(stored);
}

bool WriteDbPass(std::string_view password)
{
    std::string scrambled = ScrambleDbPass(password);
    if (password.size() > kMaxDbPassLength || !IsStorableProfileValue(scrambled))
        return false;
    return WriteSetting(kDbPass, scrambled);
}

namespace {

// Figures are read and written with '.' whatever the locale, so the file means the same
// everywhere.
bool ParseFigure(std::string_view text, double& value)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end != text.data() && std::isfinite(value);
}

double ReadFigure(const TextSetting& setting, bool nonNegative)
{
    double value = 0.0;
    if (ParseFigure(ReadSetting(setting), value) && !(nonNegative && value < 0))
        return value;
    ParseFigure(setting.defaultValue, value);
    return value;
}

std::string FigureText(double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof(text), value);
    return std::string(text, result.ptr);
}

}  // namespace

LoudnessLimits ReadLoudnessLimits()
{
    LoudnessLimits limits;
    limits.enabled = ReadSetting(kLoudnessEnable) != 0;
    limits.target = ReadFigure(kLoudnessTarget, false);
    limits.tolerance = ReadFigure(kLoudnessTolerance, true);
    limits.maxTruePeak = ReadFigure(kLoudnessMaxTruePeak, false);
    return limits;
}

bool WriteLoudnessLimits(const LoudnessLimits& limits)
{
    // Each key is written even when one fails, so the section stays as complete as it can.
    bool written = WriteSetting(kLoudnessEnable, limits.enabled ? 1 : 0);
    written = WriteSetting(kLoudnessTarget, FigureText(limits.target)) && written;
    written = WriteSetting(kLoudnessTolerance, FigureText(limits.tolerance)) && written;
    return WriteSetting(kLoudnessMaxTruePeak, FigureText(limits.maxTruePeak)) && written;
}

int32_t ReadLeftWidth(int32_t workspaceWidth)
{
    return GetPrivateProfileInt("View", "LeftWidth", static_cast<int32_t>(workspaceWidth * 0.3),
                                ProgramFilePath(kLayoutFile));
}

bool WriteLeftWidth(uint32_t width)
{
    char text[16];
    std::snprintf(text, sizeof(text), "%u", width);
    return WritePrivateProfileString("View", "LeftWidth", text, ProgramFilePath(kLayoutFile));
}

namespace {

std::string ResultColumnKey(int column)
{
    return "ResultColumn" + std::to_string(column);
}

}  // namespace

int32_t ReadResultColumnWidth(int column, int32_t defaultWidth)
{
    return GetPrivateProfileInt("View", ResultColumnKey(column), defaultWidth, ProgramFilePath(kLayoutFile));
}

bool WriteResultColumnWidth(int column, uint32_t width)
{
    return WritePrivateProfileString("View", ResultColumnKey(column), std::to_string(width),
                                     ProgramFilePath(kLayoutFile));
}

std::string ReadLastFolder()
{
    return GetPrivateProfileString("View", "LastFolder", "", ProgramFilePath(kLayoutFile));
}

bool WriteLastFolder(const std::string& folder)
{
    return IsStorableProfileValue(folder) &&
           WritePrivateProfileString("View", "LastFolder", folder, ProgramFilePath(kLayoutFile));
}

std::string CacheFolderInvalidText(const std::string& cachePath)
{
    return "缓存文件夹'" + cachePath + "':未设置或者无效!\n\n点击\"确定\"按钮设置缓存文件夹.";
}

bool IsExistingFolder(const std::string& path)
{
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace quarvik
