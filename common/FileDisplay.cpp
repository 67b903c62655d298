#include "FileDisplay.h"

#include "FtpAddress.h"

#include <algorithm>
#include <cctype>

namespace quarvik {
namespace {

constexpr std::string_view kScheme = "ftp://";

std::string ShownFtpAddress(std::string_view server, std::string_view path)
{
    const bool v6 = server.find(':') != std::string_view::npos;
    return std::string(kScheme) + (v6 ? "[" + std::string(server) + "]" : std::string(server)) +
           (path.empty() ? "/" : std::string(path));
}

}  // namespace

std::string DisplayFileName(std::string_view file)
{
    FtpAddress address;
    if (ParseFtpAddress(file, address))
        return ShownFtpAddress(address.server, address.path);
    if (file.size() < kScheme.size() ||
        !std::equal(kScheme.begin(), kScheme.end(), file.begin(),
                    [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); }))
        return std::string(file);
    // An FTP address that does not parse (no path, a bad port, user information written
    // unencoded): nothing up to its last '@' can be told apart from a password, so none of it
    // is shown.
    std::string_view rest = file.substr(kScheme.size());
    const size_t at = rest.rfind('@');
    if (at != std::string_view::npos)
        rest.remove_prefix(at + 1);
    const size_t pathStart = std::min(rest.find('/'), rest.size());
    std::string_view server = rest.substr(0, pathStart);
    const bool bracketed = server.starts_with('[');
    const size_t portStart = bracketed ? server.find("]:") : server.rfind(':');
    if (portStart != std::string_view::npos)
        server = server.substr(0, bracketed ? portStart + 1 : portStart);
    if (bracketed && server.size() >= 2 && server.back() == ']')
        server = server.substr(1, server.size() - 2);
    return ShownFtpAddress(server, rest.substr(pathStart));
}

std::string HideFtpUserInfo(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    std::string out;
    size_t from = 0;
    for (size_t found = lower.find(kScheme); found != std::string::npos; found = lower.find(kScheme, from)) {
        const size_t start = found + kScheme.size();
        // Formed user information holds none of these: the server part ends at the first.
        const size_t end = std::min(text.find_first_of("/'\" \t\r\n", start), text.size());
        const std::string_view authority = text.substr(start, end - start);
        const size_t at = authority.rfind('@');
        out.append(text.substr(from, start - from));
        out.append(at == std::string_view::npos ? authority : authority.substr(at + 1));
        from = end;
    }
    out.append(text.substr(from));
    return out;
}

}  // namespace quarvik
