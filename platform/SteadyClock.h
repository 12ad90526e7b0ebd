// The monotonic clock every delay and frame gap is measured with.
#pragma once

#include <cstdint>

namespace platform
{
// Whole microseconds of the platform's monotonic clock (nanoseconds / 1,000, truncated). Fine
// enough that two readings a delay apart never make it end early by a truncated millisecond.
// Any thread.
std::int64_t SteadyClockUs();

// Whole milliseconds of the same clock (SteadyClockUs() / 1,000, truncated). Any thread.
std::int64_t SteadyClockMs();

// The platform's monotonic clock itself, whatever a test installed. Any thread.
std::int64_t RealClockUs();

using ClockSource = std::int64_t (*)(); // microseconds
// Tests only: makes the clock answer from `source` (null restores the real clock) and answers
// the source it replaces (null for the real clock).
ClockSource InstallClockSource(ClockSource source);
// Whether a test clock is installed. Any thread.
bool TestClockInstalled();

using ClockMovedHandler = void (*)();
// Who hears that a test clock moved (the send scheduler, which then looks at its deadlines
// again); null for nobody. Any thread.
void SetClockMovedHandler(ClockMovedHandler handler);
// Tests only: the installed test clock moved. Any thread.
void NotifyClockMoved();
} // namespace platform
