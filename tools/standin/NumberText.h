// Numbers typed on the command line.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace standin
{

// The value when the whole text is one finite decimal number ("2", "-0.5", "1e3"); else none.
std::optional<double> ParseNumber(std::string_view text);

// Shortest readable form of a number for messages: "900000", "0.5".
std::string FormatNumber(double value);

} // namespace standin
