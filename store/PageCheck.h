// What the options pages refuse, and why: one refusal record and the texts of the checks that
// several pages share (integer ranges, texts too long for their record fields).
//
// A page never cuts what the operator typed: a text that does not fit its field is refused
// with a message naming the field, and the page keeps it for correction.
#pragma once

#include "TextField.h"

#include <string>
#include <string_view>

namespace quarvik {

// An empty message means accepted. field names the page's control to focus (the page's own
// numbering; 0 when none).
struct PageCheck {
    std::string message;
    int field = 0;

    bool Ok() const { return message.empty(); }
    static PageCheck Refuse(std::string message, int field) { return {std::move(message), field}; }
};

// The dialog framework's range message: "请输入一个介于 1 和 1000 之间的整数。"
std::string IntRangeText(int low, int high);
// The dialog framework's message for a text that is not an integer.
inline constexpr char kNotIntegerText[] = "请输入一个整数。";

// "“名称”太长,最多可输入 63 个字节!" for a field of 64 bytes.
std::string TooLongText(std::string_view label, size_t fieldBytes);

// Whole decimal integer, blanks around it allowed; false for anything else (or overflow).
bool ParseWholeInt(std::string_view text, int& value);

// An integer within [low, high] typed into a field, or the range message.
PageCheck CheckIntRange(std::string_view text, int low, int high, int field, int& value);

// Refuses text that does not fit dst (with its NUL); otherwise copies it whole.
template <size_t N>
bool FillField(char (&dst)[N], std::string_view text, std::string_view label, int field, PageCheck& check)
{
    if (!check.Ok()) return false;
    if (!FitsField(dst, text)) {
        check = PageCheck::Refuse(TooLongText(label, N), field);
        return false;
    }
    CopyField(dst, text);
    return true;
}

}  // namespace quarvik
