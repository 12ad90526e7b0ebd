#include "sending/WakeMargin.h"

#include <algorithm>

namespace
{
// Beyond the lateness nine in ten recent waits stayed within: the clock reading after the wake.
constexpr std::int64_t kHeadroomUs = 20;
} // namespace

void WakeMargin::Woke(std::int64_t askedUs, std::int64_t endedUs) noexcept
{
    lateUs[seen % kRemembered] = std::max<std::int64_t>(0, endedUs - askedUs);
    ++seen;
    std::array<std::int64_t, kRemembered> sorted = lateUs;
    const std::size_t count = std::min(seen, kRemembered);
    const auto ninetieth = sorted.begin() + static_cast<std::ptrdiff_t>(count * 9 / 10);
    std::nth_element(sorted.begin(), ninetieth,
                     sorted.begin() + static_cast<std::ptrdiff_t>(count));
    marginUs = std::clamp(*ninetieth + kHeadroomUs, kFewestUs, kMostUs);
}
