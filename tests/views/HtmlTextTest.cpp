#include "HtmlText.h"

#include <gtest/gtest.h>

namespace quarvik {
namespace {

TEST(HtmlEscape, MarkupCharactersBecomeReferences)
{
    const struct {
        const char* text;
        const char* escaped;
    } cases[] = {
        {"", ""},
        {"plain name.mxf", "plain name.mxf"},
        {"<b>&x.mxf", "&lt;b&gt;&amp;x.mxf"},
        {"say \"hi\"", "say &quot;hi&quot;"},
        {"it's &amp;", "it's &amp;amp;"},
        {"节目<1>", "节目&lt;1&gt;"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HtmlEscape(c.text), c.escaped) << c.text;
}

TEST(Utf8ToGbk, ChineseAsteriskAndStrays)
{
    const struct {
        const char* utf8;
        std::string gbk;
    } cases[] = {
        {"abc\r\n", "abc\r\n"},
        {"检测报告", "\xbc\xec\xb2\xe2\xb1\xa8\xb8\xe6"},
        {"新闻联播.mxf", "\xd0\xc2\xce\xc5\xc1\xaa\xb2\xa5.mxf"},
        {"！", "\xa3\xa1"},
        {"a\xf0\x9f\x98\x80z", "a&#128512;z"},  // no emoji in GBK
        {"a\xffz", "a&#65533;z"},               // not UTF-8
        {"\xe6\xa3", "&#65533;&#65533;"},       // cut sequence
    };
    for (const auto& c : cases)
        EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk) << c.utf8;
}

}  // namespace
}  // namespace quarvik
