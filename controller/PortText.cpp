#include "controller/PortText.h"

#include "osc/NumberConversion.h"

#include <algorithm>

std::int32_t ParsePort(const std::string& text, std::int32_t fallback)
{
    const auto number = osc::ConvertInt32(text);
    if (!number || *number <= 0 || *number > 65535)
        return fallback;
    return *number;
}

bool IsPlainPort(const std::string& text)
{
    const auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
    const auto first = std::find_if_not(text.begin(), text.end(), isSpace);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), isSpace).base();
    const bool digitsOnly =
        first < last && std::all_of(first, last, [](char c) { return c >= '0' && c <= '9'; });
    return digitsOnly && ParsePort(text, 0) != 0;
}
