#include "fuzz/VirtualClock.h"

#include <atomic>

namespace hostfuzz::VirtualClock
{
namespace
{
constexpr std::int64_t kStartUs = 1'000'000'000'000; // well above 0, as a real clock is
constexpr std::int64_t kLeapUs = 3'600'000'000;      // an hour
std::atomic<std::int64_t> now{kStartUs};
void (*tellMoved)() = nullptr;
} // namespace

std::int64_t NowUs()
{
    return now.load();
}

void Advance(std::int64_t microseconds)
{
    now.fetch_add(microseconds);
    if (tellMoved)
        tellMoved();
}

void TellMoves(void (*moved)())
{
    tellMoved = moved;
}

void LeapPastInput()
{
    Advance(kLeapUs);
}
} // namespace hostfuzz::VirtualClock
