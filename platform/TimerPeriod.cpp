#include "platform/TimerPeriod.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform
{
namespace
{
constexpr unsigned kPeriodMs = 1;

std::atomic<const TimerPeriodCalls*> installed{nullptr};

// Looked up at run time, so that the DLL imports no more than Windows' own DLLs it did; null
// where winmm is missing, and on other systems.
const TimerPeriodCalls* SystemCalls()
{
#ifdef _WIN32
    static const TimerPeriodCalls* const calls = []() -> const TimerPeriodCalls*
    {
        using Call = unsigned (*)(unsigned); // WINAPI is the only convention on x64
        const HMODULE winmm = LoadLibraryA("winmm.dll");
        if (!winmm)
            return nullptr;
        static TimerPeriodCalls found{};
        found.begin = reinterpret_cast<Call>(
            reinterpret_cast<void*>(GetProcAddress(winmm, "timeBeginPeriod")));
        found.end =
            reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(winmm, "timeEndPeriod")));
        return found.begin && found.end ? &found : nullptr;
    }();
    return calls;
#else
    return nullptr;
#endif
}
} // namespace

ScopedTimerPeriod::ScopedTimerPeriod() noexcept : calls(installed.load())
{
    if (!calls)
        calls = SystemCalls();
    granted = calls && calls->begin(kPeriodMs) == 0;
}

ScopedTimerPeriod::~ScopedTimerPeriod()
{
    if (granted)
        calls->end(kPeriodMs);
}

const TimerPeriodCalls* InstallTimerPeriodCalls(const TimerPeriodCalls* calls)
{
    return installed.exchange(calls);
}
} // namespace platform
