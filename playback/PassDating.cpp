#include "playback/PassDating.h"

#include <algorithm>
#include <cmath>

namespace
{
// How far the slowest speed a run allows may lie from its fastest for its speed to count as
// measured.
constexpr double kShownSpread = 1.3;
} // namespace

void PassDating::Begin(double along, std::int64_t atUs, std::int64_t floor, std::int64_t windowUs)
{
    run.Restart();
    run.Add(along, atUs);
    times[0] = Time{along, atUs};
    timeCount = 1;
    beginningAlong.reset();
    carried.reset();
    requiredSpeed.reset();
    speedConfirmed = true;
    shownUs = anchorUs = atUs;
    floorUs = std::min(floor, atUs);
    windowEndUs = atUs + windowUs;
    open = true;
}

void PassDating::SetBeginningAt(double along, const SpeedBounds::Range& alike)
{
    beginningAlong = along;
    alikeRange = alike;
    anchorUs = std::min(anchorUs, Latest());
}

void PassDating::SetCarriedBound(const Bound& bound, const SpeedBounds::Range& before,
                                 bool sameSpeedOnly)
{
    carried = bound;
    carriedRange = before;
    carriedSameSpeedOnly = sameSpeedOnly;
    anchorUs = std::min(anchorUs, Latest());
}

void PassDating::RequireSpeedOf(const SpeedBounds::Range& before)
{
    requiredSpeed = before;
    speedConfirmed = false;
}

bool PassDating::SpeedShown() const
{
    const SpeedBounds::Range& own = run.SecondsPerClipSecond();
    return own.least > 0.0 && own.most <= kShownSpread * own.least;
}

std::optional<std::int64_t> PassDating::Add(double along, std::int64_t atUs)
{
    if (!open || atUs > windowEndUs || !run.Add(along, atUs))
    {
        open = false;
        return std::nullopt;
    }
    if (timeCount < kDatingTimes)
        times[timeCount++] = Time{along, atUs};
    if (!speedConfirmed && SpeedShown())
    {
        speedConfirmed = !run.SecondsPerClipSecond().Meet(*requiredSpeed).Empty();
        open = speedConfirmed; // another speed: dated by the time that showed it, for good
    }
    const std::int64_t latest = Latest();
    if (latest >= anchorUs)
        return std::nullopt;
    anchorUs = latest;
    return anchorUs;
}

std::optional<double> PassDating::LatestCarried(const SpeedBounds::Range& own) const
{
    if (!carried)
        return std::nullopt;
    const SpeedBounds::Range both = carriedRange.Meet(own);
    if (both.Empty() && carriedSameSpeedOnly)
        return std::nullopt;
    const SpeedBounds::Range& range = both.Empty() ? carriedRange : both;
    const double u = carried->perUs > 0.0 ? range.most : range.least;
    if (!std::isfinite(u))
        return std::nullopt;
    return carried->baseUs + carried->perUs * u;
}

std::int64_t PassDating::Latest() const
{
    // The time that showed the pass is the latest it can have begun.
    double latest = static_cast<double>(shownUs);
    if (!speedConfirmed)
        return shownUs;
    const SpeedBounds::Range& own = run.SecondsPerClipSecond();
    const SpeedBounds::Range both = own.Meet(alikeRange);
    const double least = both.Empty() ? own.least : both.least;
    if (beginningAlong)
        for (std::size_t i = 0; i < timeCount; ++i)
        {
            // The fastest play the times allow took the least time from the beginning.
            const double way = std::max(0.0, times[i].along - *beginningAlong);
            latest = std::min(latest, static_cast<double>(times[i].atUs) - way * least * 1e6);
        }
    if (const std::optional<double> bound = LatestCarried(own))
        latest = std::min(latest, *bound);
    // Truncated up: a beginning dated a microsecond late rather than early.
    return std::max(floorUs, static_cast<std::int64_t>(std::ceil(latest)));
}
