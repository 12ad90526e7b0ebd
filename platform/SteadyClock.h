// The monotonic clock every delay and frame gap is measured with.
#pragma once

#include <cstdint>

namespace platform
{
// Whole milliseconds of the platform's monotonic clock (nanoseconds / 1,000,000, truncated).
// Any thread.
std::int64_t SteadyClockMs();

using ClockSource = std::int64_t (*)();
// Tests only: makes SteadyClockMs answer from `source` (null restores the real clock) and
// answers the source it replaces (null for the real clock).
ClockSource InstallClockSource(ClockSource source);
} // namespace platform
