#include "platform/DeadlineWait.h"

#include "platform/SteadyClock.h"
#include "platform/TimerPeriod.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/PthreadInheritingMutex.h"

#include <pthread.h>
#include <time.h>
#endif

namespace platform
{
namespace
{
// Longer waits are cut into pieces of this: no deadline arithmetic can overflow, and a test
// clock that nobody moves still lets the waiter look up now and then.
constexpr std::int64_t kLongestWaitUs = 1000000;
} // namespace

#ifdef _WIN32
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace
{
HANDLE MakeHighResolutionTimer()
{
    return CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                  TIMER_ALL_ACCESS);
}
} // namespace

struct DeadlineWait::State
{
    HANDLE wake = CreateEventW(nullptr, FALSE, FALSE, nullptr); // auto-reset
    HANDLE timer = MakeHighResolutionTimer();
    // Before Windows 10 1803: an ordinary timer, which follows the system's timer period.
    const bool coarse = timer == nullptr;
};

DeadlineWait::DeadlineWait() : state(std::make_unique<State>())
{
    if (state->coarse)
        state->timer = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
}

DeadlineWait::~DeadlineWait()
{
    if (state->timer)
        CloseHandle(state->timer);
    if (state->wake)
        CloseHandle(state->wake);
}

void DeadlineWait::WaitUntil(std::optional<std::int64_t> deadlineUs)
{
    std::int64_t leftUs = kLongestWaitUs;
    if (deadlineUs && !TestClockInstalled())
        leftUs = std::min(*deadlineUs - SteadyClockUs(), kLongestWaitUs);
    if (leftUs <= 0)
        return;
    LARGE_INTEGER due;
    due.QuadPart = -leftUs * 10; // negative: relative, in 100 ns
    HANDLE handles[] = {state->wake, state->timer};
    // An ordinary timer is as fine as the period only while the period is held.
    std::optional<ScopedTimerPeriod> period;
    if (state->coarse)
        period.emplace();
    const bool armed =
        state->timer && SetWaitableTimer(state->timer, &due, 0, nullptr, nullptr, FALSE);
    WaitForMultipleObjects(armed ? 2 : 1, handles, FALSE,
                           armed ? INFINITE : static_cast<DWORD>((leftUs + 999) / 1000));
}

void DeadlineWait::Wake() noexcept
{
    SetEvent(state->wake);
}
#else
struct DeadlineWait::State
{
    pthread_mutex_t mutex;
    pthread_cond_t wake;
    bool woken = false;
};

DeadlineWait::DeadlineWait() : state(std::make_unique<State>())
{
    // The render thread wakes a raised waiter: the holder of the flag's lock inherits its
    // priority.
    InitInheritingMutex(state->mutex);
    pthread_condattr_t attributes;
    pthread_condattr_init(&attributes);
#ifndef __APPLE__
    pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
#endif
    pthread_cond_init(&state->wake, &attributes);
    pthread_condattr_destroy(&attributes);
}

DeadlineWait::~DeadlineWait()
{
    pthread_cond_destroy(&state->wake);
    pthread_mutex_destroy(&state->mutex);
}

void DeadlineWait::WaitUntil(std::optional<std::int64_t> deadlineUs)
{
    // On the real clock: a test clock's moments mean nothing to the system, so there only a
    // wake, or a while, ends the wait.
    const std::int64_t nowUs = RealClockUs();
    const std::int64_t untilUs = deadlineUs && !TestClockInstalled()
                                     ? std::min(*deadlineUs, nowUs + kLongestWaitUs)
                                     : nowUs + kLongestWaitUs;
    pthread_mutex_lock(&state->mutex);
    while (!state->woken)
    {
#ifdef __APPLE__
        const std::int64_t leftUs = untilUs - RealClockUs();
        const timespec left{static_cast<time_t>(leftUs / 1000000),
                            static_cast<long>(leftUs % 1000000) * 1000};
        if (leftUs <= 0 ||
            pthread_cond_timedwait_relative_np(&state->wake, &state->mutex, &left) != 0)
            break;
#else
        const timespec until{static_cast<time_t>(untilUs / 1000000),
                             static_cast<long>(untilUs % 1000000) * 1000};
        if (pthread_cond_timedwait(&state->wake, &state->mutex, &until) != 0)
            break;
#endif
    }
    state->woken = false;
    pthread_mutex_unlock(&state->mutex);
}

void DeadlineWait::Wake() noexcept
{
    pthread_mutex_lock(&state->mutex);
    state->woken = true;
    pthread_mutex_unlock(&state->mutex);
    pthread_cond_signal(&state->wake);
}
#endif
} // namespace platform
