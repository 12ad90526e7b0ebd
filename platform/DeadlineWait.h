// A thread's wait for a deadline on the steady clock that another thread can cut short: the
// send scheduler's, between one message and the next.
//
// Linux waits on an absolute CLOCK_MONOTONIC deadline (the clock SteadyClockUs reads), so no time
// is lost between reading the clock and starting the wait. Windows arms a high-resolution
// waitable timer for the whole wait (or, where the system has none, an ordinary one, with a 1 ms
// timer period held for that wait only: platform/TimerPeriod.h) beside an event that a wake sets.
// macOS waits on its monotonic clock for the time left. A wake before the wait makes the next wait
// return at once. With a test clock installed only a wake ends a wait: the test wakes the waiter
// when it moves its clock, so no wait polls.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

namespace platform
{
class DeadlineWait
{
public:
    DeadlineWait();
    ~DeadlineWait();
    DeadlineWait(const DeadlineWait&) = delete;
    DeadlineWait& operator=(const DeadlineWait&) = delete;

    // The one waiting thread: returns at `deadlineUs` (nothing: only when woken), or earlier
    // when woken. Blocking.
    void WaitUntil(std::optional<std::int64_t> deadlineUs);
    // Any thread; never blocks beyond a lock held for a flag.
    void Wake() noexcept;

private:
    struct State;
    std::unique_ptr<State> state;
};
} // namespace platform
