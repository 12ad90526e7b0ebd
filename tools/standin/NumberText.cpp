#include "tools/standin/NumberText.h"

#include "tools/standin/TextFormat.h"

#include <charconv>
#include <cmath>

namespace standin
{

std::optional<double> ParseNumber(std::string_view text)
{
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string FormatNumber(double value)
{
    return FormatText("%.10g", value);
}

} // namespace standin
