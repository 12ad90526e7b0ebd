// Seconds as the controller's whole-millisecond counts.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

// Truncates toward zero like the integer conversion, saturating instead of overflowing
// (a value that is not a number gives the minimum).
inline std::int32_t SecondsToWholeMs(double seconds)
{
    const double ms = seconds * 1000.0;
    if (!(ms > std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(
        std::min(ms, static_cast<double>(std::numeric_limits<std::int32_t>::max())));
}
