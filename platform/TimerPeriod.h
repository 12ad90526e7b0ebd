// The system's timer period held at 1 ms for one wait on an ordinary Windows timer (before
// Windows 10 1803 there is no high-resolution one), and given back when that wait ends: the
// period is the whole system's, and one left raised costs every process on the machine power for
// as long as the host runs.
#pragma once

namespace platform
{
// timeBeginPeriod and timeEndPeriod: 0 (TIMERR_NOERROR) on success.
struct TimerPeriodCalls
{
    unsigned (*begin)(unsigned periodMs);
    unsigned (*end)(unsigned periodMs);
};

// Asks for a 1 ms period for its life, where the system has the calls; every period it was
// granted is given back by its destructor. The thread that waits.
class ScopedTimerPeriod
{
public:
    ScopedTimerPeriod() noexcept;
    ~ScopedTimerPeriod();
    ScopedTimerPeriod(const ScopedTimerPeriod&) = delete;
    ScopedTimerPeriod& operator=(const ScopedTimerPeriod&) = delete;

private:
    const TimerPeriodCalls* calls;
    bool granted = false;
};

// Tests only: the calls the periods use (null: the system's, which only Windows has), and the
// ones they replace.
const TimerPeriodCalls* InstallTimerPeriodCalls(const TimerPeriodCalls* calls);
} // namespace platform
