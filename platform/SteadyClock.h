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

// Sleeps until SteadyClockUs() reaches `deadlineUs`, on an absolute deadline where the system
// has one, so that no time is lost between reading the clock and starting the sleep. May wake
// up to a few hundred microseconds late (a timer's resolution); callers that need better spin
// the rest. With a test clock installed it sleeps in short steps until that clock is there.
// Any thread; never the render thread.
void SleepUntilUs(std::int64_t deadlineUs);

#ifndef _WIN32
// Sleeps for what remains until `deadlineUs` on the real clock, relative: the time between
// reading the clock and starting the sleep is lost. What SleepUntilUs does on macOS, which has
// no absolute sleep; built on every POSIX system so that it is tested.
void SleepRemainderUntilUs(std::int64_t deadlineUs);
#endif

using ClockSource = std::int64_t (*)(); // microseconds
// Tests only: makes the clock answer from `source` (null restores the real clock) and answers
// the source it replaces (null for the real clock).
ClockSource InstallClockSource(ClockSource source);
} // namespace platform
