#include "PageCheck.h"

#include <charconv>

namespace quarvik {

std::string IntRangeText(int low, int high)
{
    return "请输入一个介于 " + std::to_string(low) + " 和 " + std::to_string(high) + " 之间的整数。";
}

std::string TooLongText(std::string_view label, size_t fieldBytes)
{
    return "“" + std::string(label) + "”太长,最多可输入 " + std::to_string(fieldBytes - 1) + " 个字节!";
}

bool ParseWholeInt(std::string_view text, int& value)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

PageCheck CheckIntRange(std::string_view text, int low, int high, int field, int& value)
{
    int parsed = 0;
    if (!ParseWholeInt(text, parsed) || parsed < low || parsed > high)
        return PageCheck::Refuse(IntRangeText(low, high), field);
    value = parsed;
    return {};
}

}  // namespace quarvik
