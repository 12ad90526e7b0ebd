#include "platform/DeadlineWait.h"

#include "platform/SteadyClock.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#include <time.h>
#endif
#ifdef __APPLE__
#include <sys/qos.h>
#elif defined(__linux__)
#include <sched.h>
#include <sys/prctl.h>
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
using TimerPeriodCall = UINT(WINAPI*)(UINT);

// timeBeginPeriod, looked up at run time so that the DLL imports no more than Windows' own DLLs
// it did; null where winmm is missing.
TimerPeriodCall TimeBeginPeriod()
{
    const HMODULE winmm = LoadLibraryA("winmm.dll");
    if (!winmm)
        return nullptr;
    return reinterpret_cast<TimerPeriodCall>(
        reinterpret_cast<void*>(GetProcAddress(winmm, "timeBeginPeriod")));
}

HANDLE MakeTimer()
{
    HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                          TIMER_ALL_ACCESS);
    if (timer)
        return timer;
    // Before Windows 10 1803: an ordinary timer follows the system's timer period, 1 ms once
    // asked for (kept for the life of the process, as the scheduler's thread is).
    if (const TimerPeriodCall begin = TimeBeginPeriod())
        begin(1);
    return CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
}
} // namespace

struct DeadlineWait::State
{
    HANDLE wake = CreateEventW(nullptr, FALSE, FALSE, nullptr); // auto-reset
    HANDLE timer = MakeTimer();
};

DeadlineWait::DeadlineWait() : state(std::make_unique<State>())
{
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
    const bool armed =
        state->timer && SetWaitableTimer(state->timer, &due, 0, nullptr, nullptr, FALSE);
    WaitForMultipleObjects(armed ? 2 : 1, handles, FALSE,
                           armed ? INFINITE : static_cast<DWORD>((leftUs + 999) / 1000));
}

void DeadlineWait::Wake() noexcept
{
    SetEvent(state->wake);
}

void DeadlineWait::PrepareWaitingThread() noexcept
{
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
}
#else
struct DeadlineWait::State
{
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t wake;
    bool woken = false;
};

DeadlineWait::DeadlineWait() : state(std::make_unique<State>())
{
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

void DeadlineWait::PrepareWaitingThread() noexcept
{
#ifdef __APPLE__
    pthread_set_qos_class_self_np(QOS_CLASS_USER_INTERACTIVE, 0);
#else
    const sched_param parameter{sched_get_priority_min(SCHED_FIFO)};
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &parameter);
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
}
#endif
} // namespace platform
