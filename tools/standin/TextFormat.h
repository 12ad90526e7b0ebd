// printf-style formatting into a std::string, for the stand-in's fixed-layout lines.
#pragma once

#include <string>
#include <string_view>

namespace standin
{

// Lines longer than 1023 bytes are cut.
[[gnu::format(printf, 1, 2)]] std::string FormatText(const char* format, ...);

// The text in double quotes, as names and texts appear in messages: "OSC Msg".
std::string Quoted(std::string_view text);

} // namespace standin
