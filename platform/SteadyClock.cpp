#include "platform/SteadyClock.h"

#include <atomic>
#include <chrono>

namespace platform
{
namespace
{
std::atomic<ClockSource> installedSource{nullptr};
std::atomic<ClockMovedHandler> clockMovedHandler{nullptr};
} // namespace

std::int64_t RealClockUs()
{
    const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch).count() / 1000;
}

std::int64_t SteadyClockUs()
{
    const ClockSource source = installedSource.load();
    return source ? source() : RealClockUs();
}

std::int64_t SteadyClockMs()
{
    return SteadyClockUs() / 1000;
}

ClockSource InstallClockSource(ClockSource source)
{
    return installedSource.exchange(source);
}

bool TestClockInstalled()
{
    return installedSource.load() != nullptr;
}

void SetClockMovedHandler(ClockMovedHandler handler)
{
    clockMovedHandler.store(handler);
}

void NotifyClockMoved()
{
    if (const ClockMovedHandler handler = clockMovedHandler.load())
        handler();
}
} // namespace platform
