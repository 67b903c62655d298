#include "Profile.h"

#include "LocalFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <vector>

namespace quarvik {
namespace {

std::mutex g_profileMutex;

// Far above any settings file the program writes.
constexpr size_t kMaxProfileBytes = 16 << 20;

constexpr std::string_view kBlanks = " \t\r";

std::string_view Trim(std::string_view text)
{
    size_t begin = text.find_first_not_of(kBlanks);
    if (begin == std::string_view::npos)
        return {};
    size_t end = text.find_last_not_of(kBlanks);
    return text.substr(begin, end - begin + 1);
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if ((x >= 'A' && x <= 'Z' ? x + 32 : x) != (y >= 'A' && y <= 'Z' ? y + 32 : y))
            return false;
    }
    return true;
}

// The section name of a "[name]" line.
std::optional<std::string_view> SectionOf(std::string_view line)
{
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[')
        return std::nullopt;
    size_t close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

// The key name of a "key=value" line.
std::optional<std::string_view> KeyOf(std::string_view line)
{
    size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    return Trim(line.substr(0, equals));
}

// The file's lines; a missing file has none. False when the file exists but cannot be read,
// so that a write never replaces a file it could not read.
bool ReadLines(const std::string& path, std::vector<std::string>& lines)
{
    lines.clear();
    const std::string special = SpecialFileReason(path);
    if (!special.empty()) {
        std::fprintf(stderr, "%s\n", special.c_str());
        return false;
    }
    std::string text;
    if (!ReadRegularFile(path, text, kMaxProfileBytes + 1))
        return access(path.c_str(), F_OK) != 0;
    if (text.size() > kMaxProfileBytes)
        return false;  // not a settings file of ours: never rewritten from a part of it
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return true;
}

// Index range of a section's lines after its header: [first, end). nullopt when absent.
struct SectionRange {
    size_t header;
    size_t end;
};

std::optional<SectionRange> FindSection(const std::vector<std::string>& lines, std::string_view section)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        std::optional<std::string_view> name = SectionOf(lines[i]);
        if (!name || !SameName(*name, section))
            continue;
        size_t end = i + 1;
        while (end < lines.size() && !SectionOf(lines[end]))
            ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<size_t> FindKey(const std::vector<std::string>& lines, const SectionRange& range, std::string_view key)
{
    for (size_t i = range.header + 1; i < range.end; ++i) {
        std::optional<std::string_view> name = KeyOf(lines[i]);
        if (name && SameName(*name, key))
            return i;
    }
    return std::nullopt;
}

std::string_view StripQuotes(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Writes the lines to a temporary file beside path and renames it over path.
bool ReplaceFile(const std::string& path, const std::vector<std::string>& lines)
{
    std::string temp = path + ".tmp-XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    fchmod(fd, 0644);
    std::string text;
    for (const std::string& line : lines)
        text += line + '\n';
    bool written = true;
    for (size_t done = 0; written && done < text.size();) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        written = n > 0;
        done += written ? static_cast<size_t>(n) : 0;
    }
    written = written && fsync(fd) == 0;
    written = close(fd) == 0 && written;
    if (written && rename(temp.c_str(), path.c_str()) == 0)
        return true;
    unlink(temp.c_str());
    return false;
}

}  // namespace

std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                                    const std::string& path)
{
    std::lock_guard<std::mutex> lock(g_profileMutex);
    std::vector<std::string> lines;
    ReadLines(path, lines);
    std::optional<SectionRange> range = FindSection(lines, section);
    std::optional<size_t> line = range ? FindKey(lines, *range, key) : std::nullopt;
    if (!line)
        return std::string(defaultValue);
    std::string_view text = lines[*line];
    std::string_view value = StripQuotes(Trim(text.substr(text.find('=') + 1)));
    return value.empty() ? std::string(defaultValue) : std::string(value);
}

int32_t GetPrivateProfileInt(std::string_view section, std::string_view key, int32_t defaultValue,
                             const std::string& path)
{
    std::string value = GetPrivateProfileString(section, key, "", path);
    if (value.empty())
        return defaultValue;
    size_t i = 0;
    bool negative = value[0] == '-';
    if (negative || value[0] == '+')
        ++i;
    int64_t number = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9' && number <= INT32_MAX; ++i)
        number = number * 10 + (value[i] - '0');
    if (number > INT32_MAX)
        number = INT32_MAX;  // saturate rather than wrap into a different number
    return static_cast<int32_t>(negative ? -number : number);
}

bool WritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::string& path)
{
    section = Trim(section);
    key = Trim(key);
    if (section.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
        section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos)
        return false;
    std::lock_guard<std::mutex> lock(g_profileMutex);
    std::vector<std::string> lines;
    if (!ReadLines(path, lines))
        return false;
    std::string entry = std::string(key) + "=" + std::string(value);
    std::optional<SectionRange> range = FindSection(lines, section);
    if (!range) {
        if (!lines.empty() && !Trim(lines.back()).empty())
            lines.emplace_back();
        lines.push_back("[" + std::string(section) + "]");
        lines.push_back(entry);
    } else if (std::optional<size_t> line = FindKey(lines, *range, key)) {
        lines[*line] = entry;
    } else {
        // After the section's last non-blank line, so a blank line before the next section stays.
        size_t at = range->end;
        while (at > range->header + 1 && Trim(lines[at - 1]).empty())
            --at;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), entry);
    }
    return ReplaceFile(path, lines);
}

bool IsStorableProfileValue(std::string_view value)
{
    return !HasLineBreak(value) && Trim(value) == value && StripQuotes(value) == value;
}

}  // namespace quarvik
