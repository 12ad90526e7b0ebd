#include "ffgl/DisplayNumber.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace ffgl
{
std::size_t FormatDecimal(char* out, std::size_t size, double value, int decimals)
{
    if (size == 0)
        return 0;
    // The widest double in fixed notation: 309 digits, a sign, a point and the decimals.
    char text[320 + 32];
    const std::to_chars_result written = std::to_chars(
        text, text + sizeof text, value, std::chars_format::fixed, std::min(decimals, 30));
    const std::size_t length =
        written.ec == std::errc{} ? static_cast<std::size_t>(written.ptr - text) : 0;
    const std::size_t copied = std::min(length, size - 1);
    std::memcpy(out, text, copied);
    out[copied] = '\0';
    return copied;
}
} // namespace ffgl
