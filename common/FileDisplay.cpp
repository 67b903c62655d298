#include "FileDisplay.h"

#include <algorithm>
#include <cctype>

namespace quarvik {

std::string DisplayFileName(std::string_view file)
{
    constexpr std::string_view kScheme = "ftp://";
    if (file.size() < kScheme.size() ||
        !std::equal(kScheme.begin(), kScheme.end(), file.begin(),
                    [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); }))
        return std::string(file);
    const std::string_view rest = file.substr(kScheme.size());
    const size_t pathStart = std::min(rest.find('/'), rest.size());
    std::string_view authority = rest.substr(0, pathStart);
    const size_t at = authority.rfind('@');
    if (at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    // A bracketed IPv6 server keeps its colons; only a port behind it goes.
    const bool bracketed = authority.starts_with('[');
    const size_t portStart = bracketed ? authority.find("]:") : authority.rfind(':');
    if (portStart != std::string_view::npos)
        authority = authority.substr(0, bracketed ? portStart + 1 : portStart);
    if (authority.empty())
        return std::string(file);
    const std::string_view path = rest.substr(pathStart);
    return std::string(kScheme) + std::string(authority) + (path.empty() ? "/" : std::string(path));
}

}  // namespace quarvik
