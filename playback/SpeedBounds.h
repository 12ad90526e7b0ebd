// How fast the clip may have played over a run of its times, for sure: the host reads its
// playhead and calls 0 to kCallLatenessSeconds later, so each pair of times bounds the clock
// seconds one clip second took, from both sides. The bounds hold while the speed holds; times
// that no one speed explains (a pause, a change of speed, a clock set back) make the run
// inconsistent, and its bounds are kept as they were before that time. Kept as clock seconds per
// clip second (u = 1 / speed), in which every bound is linear. A plain value.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>

class SpeedBounds
{
public:
    // The latest a host calls after the moment whose time it gives: 10 ms, and a tenth of a
    // millisecond for moments read to the microsecond.
    static constexpr double kCallLatenessSeconds = 0.0101;
    static constexpr std::int64_t kCallLatenessUs =
        static_cast<std::int64_t>(kCallLatenessSeconds * 1e6);

    struct Range
    {
        double least = 0.0; // the fastest play the times allow
        double most = std::numeric_limits<double>::infinity(); // the slowest
        // Exactly `speed` (above 0).
        static Range At(double speed) { return Range{1.0 / speed, 1.0 / speed}; }
        bool Empty() const { return least > most; }
        Range Meet(const Range& other) const;
    };

    void Restart();
    // A time of the run, `along` clip seconds the way the clip plays, given at `atUs`. Answers
    // false (and changes nothing) when no one speed explains it with the times before.
    bool Add(double along, std::int64_t atUs);
    bool Consistent() const { return consistent; }
    const Range& SecondsPerClipSecond() const { return range; }
    std::size_t Times() const { return count; }
    // The run's first time.
    std::optional<double> FirstAlong() const;
    std::optional<std::int64_t> FirstAtUs() const;

private:
    struct Time
    {
        double along = 0.0;
        std::int64_t atUs = 0;
    };
    // Bounds the pair gives, or none when no speed explains it.
    static std::optional<Range> PairRange(const Time& earlier, const Time& later);
    void Keep(const Time& time);

    // The run's first few times and its newest: the longest baselines bound the speed best, the
    // newest the next step.
    static constexpr std::size_t kFirst = 6;
    static constexpr std::size_t kNewest = 2;
    std::array<Time, kFirst> first{};
    std::array<Time, kNewest> newest{};
    std::size_t count = 0;
    Range range;
    bool consistent = true;
};
