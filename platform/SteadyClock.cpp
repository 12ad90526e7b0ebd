#include "platform/SteadyClock.h"

#include <atomic>
#include <chrono>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <time.h>
#endif

namespace platform
{
namespace
{
std::atomic<ClockSource> installedSource{nullptr};

std::int64_t RealClockUs()
{
    const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch).count() / 1000;
}

#ifdef _WIN32
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

using TimerPeriodCall = UINT(WINAPI*)(UINT);

// timeBeginPeriod and timeEndPeriod, looked up at run time so that the DLL imports no more
// than it did; null where winmm is missing.
TimerPeriodCall TimerPeriod(const char* name)
{
    static const HMODULE winmm = LoadLibraryA("winmm.dll");
    if (!winmm)
        return nullptr;
    return reinterpret_cast<TimerPeriodCall>(reinterpret_cast<void*>(GetProcAddress(winmm, name)));
}

// Windows has no absolute monotonic sleep: a relative due time, taken as late as possible. A
// high-resolution timer (Windows 10 1803 and later) wakes within a fraction of a millisecond;
// elsewhere a 1 ms timer period around an ordinary one does nearly as well.
void SleepFor(std::int64_t microseconds)
{
    LARGE_INTEGER due;
    due.QuadPart = -microseconds * 10; // negative: relative, in 100 ns
    HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                          TIMER_ALL_ACCESS);
    TimerPeriodCall end = nullptr;
    if (!timer)
    {
        if (const TimerPeriodCall begin = TimerPeriod("timeBeginPeriod"); begin && begin(1) == 0)
            end = TimerPeriod("timeEndPeriod");
        timer = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
    }
    if (timer && SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE))
        WaitForSingleObject(timer, INFINITE);
    else
        Sleep(static_cast<DWORD>((microseconds + 999) / 1000));
    if (timer)
        CloseHandle(timer);
    if (end)
        end(1);
}

void SleepUntilReal(std::int64_t deadlineUs)
{
    const std::int64_t left = deadlineUs - RealClockUs();
    if (left > 0)
        SleepFor(left);
}
#elif defined(__APPLE__)
// macOS has no clock_nanosleep.
void SleepUntilReal(std::int64_t deadlineUs)
{
    SleepRemainderUntilUs(deadlineUs);
}
#else
// The clock std::chrono::steady_clock reads, on an absolute deadline.
void SleepUntilReal(std::int64_t deadlineUs)
{
    const timespec deadline{static_cast<time_t>(deadlineUs / 1000000),
                            static_cast<long>(deadlineUs % 1000000) * 1000};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR)
    {
    }
}
#endif
} // namespace

#ifndef _WIN32
void SleepRemainderUntilUs(std::int64_t deadlineUs)
{
    const std::int64_t left = deadlineUs - RealClockUs();
    if (left <= 0)
        return;
    timespec rest{static_cast<time_t>(left / 1000000), static_cast<long>(left % 1000000) * 1000};
    while (nanosleep(&rest, &rest) == -1 && errno == EINTR)
    {
    }
}
#endif

std::int64_t SteadyClockUs()
{
    const ClockSource source = installedSource.load();
    return source ? source() : RealClockUs();
}

std::int64_t SteadyClockMs()
{
    return SteadyClockUs() / 1000;
}

void SleepUntilUs(std::int64_t deadlineUs)
{
    if (!installedSource.load())
    {
        SleepUntilReal(deadlineUs);
        return;
    }
    while (SteadyClockUs() < deadlineUs && installedSource.load())
        std::this_thread::sleep_for(std::chrono::microseconds(200));
}

ClockSource InstallClockSource(ClockSource source)
{
    return installedSource.exchange(source);
}
} // namespace platform
