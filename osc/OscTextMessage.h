// The free-text OSC message of the "OSC Msg" parameter: one line of text, an address,
// optionally a kind letter, and a value, turned into zero or one OSC message.
#pragma once

#include "osc/OscMessage.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace osc
{
// Removes carriage returns, line feeds, spaces and tabs from the end, then spaces and tabs from
// the start. A leading carriage return or line feed stays.
void TrimOscText(std::string& text);

// Skips spaces and tabs from `position`, then answers the run of characters up to the next space
// or tab (or the end) and leaves `position` just after it. Empty at the end of the text. The
// answer points into `text`.
std::string_view NextToken(std::string_view text, std::size_t& position);

// The message the text stands for, or nothing when it is empty after trimming, does not begin
// with "/", or its value does not convert; then `problem`, when given, receives what is wrong,
// in words for the user. Pure; any thread.
//   "/a"        -> ",i" 1          "/a i 3"    -> ",i" 3        "/a f 0.5" -> ",f" 0.5
//   "/a a 0.5"  -> ",sf" "a" 0.5   "/a s x y"  -> ",s" "x y"    "/a 0.75"  -> ",f" 0.75
std::optional<OscMessage> ParseOscText(std::string text, std::string* problem = nullptr);
} // namespace osc
