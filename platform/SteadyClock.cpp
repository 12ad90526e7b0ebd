#include "platform/SteadyClock.h"

#include <atomic>
#include <chrono>

namespace platform
{
namespace
{
std::atomic<ClockSource> installedSource{nullptr};

std::int64_t RealClockMs()
{
    const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch).count() / 1000000;
}
} // namespace

std::int64_t SteadyClockMs()
{
    const ClockSource source = installedSource.load();
    return source ? source() : RealClockMs();
}

ClockSource InstallClockSource(ClockSource source)
{
    return installedSource.exchange(source);
}
} // namespace platform
