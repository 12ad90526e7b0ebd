// Seconds as the controller's whole-millisecond and whole-microsecond counts.
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

// Rounded to the nearest microsecond, saturating (a value that is not a number gives 0).
inline std::int64_t SecondsToWholeUs(double seconds)
{
    const double us = seconds * 1e6;
    if (!(us == us))
        return 0;
    return static_cast<std::int64_t>(std::clamp(us, -9e15, 9e15) + (us < 0 ? -0.5 : 0.5));
}
