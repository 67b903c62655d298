#include "HtmlText.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>

namespace quarvik {
namespace {

// Length of the UTF-8 sequence starting at text[0] and its code point; 0 when invalid.
size_t DecodeUtf8(std::string_view text, uint32_t& codePoint)
{
    const auto lead = static_cast<uint8_t>(text[0]);
    size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    if (length == 0 || length > text.size())
        return 0;
    codePoint = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<uint8_t>(text[i]);
        if ((next >> 6) != 2)
            return 0;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    return length;
}

class GbkConverter {
public:
    GbkConverter() : m_cd(iconv_open("CP936", "UTF-8")) {}
    ~GbkConverter()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    GbkConverter(const GbkConverter&) = delete;
    GbkConverter& operator=(const GbkConverter&) = delete;

    // Appends the GBK form of one whole character; false when GBK has none.
    bool Append(std::string_view character, std::string& out)
    {
        // Without a converter every non-ASCII character goes out as a reference.
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            return false;
        char buffer[8];
        char* in = const_cast<char*>(character.data());
        size_t inLeft = character.size();
        char* outPtr = buffer;
        size_t outLeft = sizeof(buffer);
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(m_cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
            return false;
        out.append(buffer, outPtr);
        return true;
    }

private:
    iconv_t m_cd;
};

}  // namespace

std::string HtmlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string Utf8ToGbk(std::string_view utf8)
{
    GbkConverter converter;
    std::string out;
    out.reserve(utf8.size());
    while (!utf8.empty()) {
        if (static_cast<uint8_t>(utf8[0]) < 0x80) {
            out += utf8[0];
            utf8.remove_prefix(1);
            continue;
        }
        uint32_t codePoint = 0xFFFD;
        const size_t length = DecodeUtf8(utf8, codePoint);
        if (length == 0 || !converter.Append(utf8.substr(0, length), out))
            out += "&#" + std::to_string(length == 0 ? 0xFFFD : codePoint) + ";";
        utf8.remove_prefix(length == 0 ? 1 : length);
    }
    return out;
}

}  // namespace quarvik
