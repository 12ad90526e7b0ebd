#include "playback/SpeedBounds.h"

#include <algorithm>

namespace
{
// Clip seconds that count as no move at all.
constexpr double kStillSeconds = 1e-9;
} // namespace

SpeedBounds::Range SpeedBounds::Range::Meet(const Range& other) const
{
    return Range{std::max(least, other.least), std::min(most, other.most)};
}

void SpeedBounds::Restart()
{
    count = 0;
    range = Range{};
    consistent = true;
}

std::optional<SpeedBounds::Range> SpeedBounds::PairRange(const Time& earlier, const Time& later)
{
    const double clock = static_cast<double>(later.atUs - earlier.atUs) / 1e6;
    const double moved = later.along - earlier.along;
    if (moved < -kStillSeconds)
        return std::nullopt; // back: no play does that
    if (moved <= kStillSeconds)
    {
        // Standing longer than late calls explain is a pause.
        if (clock > kCallLatenessSeconds)
            return std::nullopt;
        return Range{};
    }
    return Range{std::max(0.0, (clock - kCallLatenessSeconds) / moved),
                 (clock + kCallLatenessSeconds) / moved};
}

bool SpeedBounds::Add(double along, std::int64_t atUs)
{
    if (!consistent)
        return false;
    const Time time{along, atUs};
    Range next = range;
    const std::size_t firstKept = std::min(count, kFirst);
    const std::size_t newestKept = std::min(count - firstKept, kNewest);
    for (std::size_t i = 0; i < firstKept + newestKept; ++i)
    {
        const Time& earlier =
            i < firstKept ? first[i] : newest[kNewest - newestKept + (i - firstKept)];
        const std::optional<Range> pair = PairRange(earlier, time);
        if (!pair)
        {
            consistent = false;
            return false;
        }
        next = next.Meet(*pair);
    }
    if (next.Empty())
    {
        consistent = false;
        return false;
    }
    range = next;
    Keep(time);
    return true;
}

void SpeedBounds::Keep(const Time& time)
{
    if (count < kFirst)
        first[count] = time;
    else
    {
        std::rotate(newest.begin(), newest.begin() + 1, newest.end());
        newest.back() = time;
    }
    ++count;
}

std::optional<double> SpeedBounds::FirstAlong() const
{
    return count > 0 ? std::optional(first[0].along) : std::nullopt;
}

std::optional<std::int64_t> SpeedBounds::FirstAtUs() const
{
    return count > 0 ? std::optional(first[0].atUs) : std::nullopt;
}
