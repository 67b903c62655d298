// Text for the HTML reports: escaping and the GBK (code page 936) encoding they are written in.
#pragma once

#include <string>
#include <string_view>

namespace quarvik {

// text with <, >, & and " replaced by their character references, so that any name, path or
// value shows as it is and cannot add markup.
std::string HtmlEscape(std::string_view text);

// UTF-8 to GBK. A character that GBK lacks becomes a numeric character reference ("&#128512;")
// and a byte that is not UTF-8 becomes "&#65533;", so nothing is dropped silently and the page
// stays valid. Meant for HTML text only.
std::string Utf8ToGbk(std::string_view utf8);

}  // namespace quarvik
