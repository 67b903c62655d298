#include "FtpAddress.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace quarvik {
namespace {

constexpr std::string_view kScheme = "ftp://";

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Only unreserved characters stay as they are; everything else becomes "%XX", also the
// sub-delimiters a URI would allow here, so that no quote or delimiter of SQL, a shell or a
// message ever falls inside the user information.
std::string PercentEncode(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '.' || c == '_' || c == '~';
        if (unreserved) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

std::string PercentDecode(std::string_view text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const int high = text[i] == '%' && i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        if (low >= 0) {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool AllDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

}  // namespace

bool ParseFtpAddress(std::string_view address, FtpAddress& out)
{
    if (!StartsWithNoCase(address, kScheme))
        return false;
    const std::string_view rest = address.substr(kScheme.size());
    // Encoded user information holds no '/': the first one begins the path.
    const size_t slash = rest.find('/');
    if (slash == std::string_view::npos)
        return false;
    std::string_view authority = rest.substr(0, slash);
    FtpAddress parsed;
    parsed.path = std::string(rest.substr(slash));
    const size_t at = authority.rfind('@');
    if (at != std::string_view::npos) {
        const std::string_view userInfo = authority.substr(0, at);
        authority.remove_prefix(at + 1);
        const size_t colon = userInfo.find(':');
        parsed.user = PercentDecode(userInfo.substr(0, colon));
        if (colon != std::string_view::npos)
            parsed.password = PercentDecode(userInfo.substr(colon + 1));
    }
    std::string_view portText;
    if (!authority.empty() && authority[0] == '[') {
        const size_t close = authority.find(']');
        if (close == std::string_view::npos)
            return false;
        parsed.server = std::string(authority.substr(1, close - 1));
        if (close + 1 < authority.size()) {
            if (authority[close + 1] != ':')
                return false;
            portText = authority.substr(close + 2);
        }
    } else {
        const size_t colon = authority.rfind(':');
        parsed.server = std::string(authority.substr(0, colon));
        if (colon != std::string_view::npos)
            portText = authority.substr(colon + 1);
    }
    if (parsed.server.empty())
        return false;
    if (!portText.empty()) {
        if (!AllDigits(portText) || portText.size() > 5)
            return false;
        parsed.port = std::atoi(std::string(portText).c_str());
        if (parsed.port > 65535)
            return false;
    }
    if (parsed.port == 0)
        parsed.port = 21;
    out = std::move(parsed);
    return true;
}

std::string MakeFtpAddress(const FtpAddress& address, FtpUserInfo userInfo)
{
    const bool v6 = address.server.find(':') != std::string::npos;
    const std::string host = v6 ? "[" + address.server + "]" : address.server;
    const std::string path = !address.path.empty() && address.path[0] == '/' ? address.path : "/" + address.path;
    std::string credentials;
    if (userInfo == FtpUserInfo::kUserAndPassword)
        credentials = PercentEncode(address.user) + ":" + PercentEncode(address.password) + "@";
    else if (!address.user.empty())
        credentials = PercentEncode(address.user) + "@";
    return std::string(kScheme) + credentials + host + ":" + std::to_string(address.port) + path;
}

}  // namespace quarvik
