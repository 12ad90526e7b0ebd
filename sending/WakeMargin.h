// How long before a deadline the send scheduler's timed wait must end, so that spinning the rest
// meets the deadline. Learned from how late its recent waits woke: that lateness differs by
// orders of magnitude between a quiet Linux machine, a busy one, a virtual one and Windows, and
// a fixed margin either spins for nothing or wakes too late.
//
// Only the scheduler's thread uses it; it never blocks or allocates.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

class WakeMargin
{
public:
    // Before any wait has been seen: enough for a timer that wakes a few hundred microseconds late.
    static constexpr std::int64_t kFirstUs = 300;
    // The send itself and the clock readings around it need a little, however punctual the timer.
    static constexpr std::int64_t kFewestUs = 50;
    // A machine whose timer often wakes later than this is not spun for: the message goes late.
    static constexpr std::int64_t kMostUs = 1000;

    // A timed wait asked to end at `askedUs` ended at `endedUs` (not woken early).
    void Woke(std::int64_t askedUs, std::int64_t endedUs) noexcept;
    std::int64_t Us() const noexcept { return marginUs; }

private:
    static constexpr std::size_t kRemembered = 32;

    std::array<std::int64_t, kRemembered> lateUs{};
    std::size_t seen = 0;
    std::int64_t marginUs = kFirstUs;
};
