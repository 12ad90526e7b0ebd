#include "playback/PassDating.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

void PassDating::Begin(double along, std::int64_t atUs, std::int64_t floor, std::int64_t windowUs)
{
    run.Restart();
    run.Add(along, atUs);
    times[0] = Time{along, atUs};
    timeCount = 1;
    beginningAlong.reset();
    reach.reset();
    shownUs = anchorUs = atUs;
    floorUs = std::min(floor, atUs);
    // From the reading that showed it, which the host may have taken a call's lateness before: a
    // time it gives again later (a stale reading) must not date the pass past the window.
    windowEndUs = atUs - SpeedBounds::kCallLatenessUs + windowUs;
    open = true;
    held.reset();
}

void PassDating::SetBeginningAt(double along, const SpeedBounds::Range& alike,
                                std::int64_t notBeforeUs)
{
    beginningAlong = along;
    beginningNotBeforeUs = notBeforeUs;
    alikeRange = alike;
    anchorUs = std::min(anchorUs, Latest());
}

void PassDating::SetReachBound(const Bound& bound, const SpeedBounds::Range& before)
{
    reach = Carried{bound, before};
    anchorUs = std::min(anchorUs, Latest());
}

std::optional<std::int64_t> PassDating::Add(double along, std::int64_t atUs)
{
    // A time dates the pass once the next one came: the tracker closes the run first where that
    // one shows a turn, and a time just past a turn may still lie on the run's line.
    const std::optional<Time> ready = std::exchange(held, Time{along, atUs});
    if (!ready)
        return std::nullopt;
    // The newest must agree with the run as well: a run that one time later no speed explains
    // (a dip, a clock set back) dates nothing more.
    const auto agrees = [this](double newest, std::int64_t newestUs)
    {
        SpeedBounds withNewest = run;
        return withNewest.Add(newest, newestUs);
    };
    if (!open || ready->atUs > windowEndUs || !run.Add(ready->along, ready->atUs) ||
        !agrees(along, atUs))
    {
        open = false;
        return std::nullopt;
    }
    along = ready->along;
    atUs = ready->atUs;
    if (timeCount < kDatingTimes)
        times[timeCount++] = Time{along, atUs};
    const std::int64_t latest = Latest();
    if (latest >= anchorUs)
        return std::nullopt;
    anchorUs = latest;
    return anchorUs;
}

double PassDating::At(const Carried& carried, const SpeedBounds::Range& range)
{
    const double u = carried.bound.perUs > 0.0 ? range.most : range.least;
    return std::isfinite(u) ? carried.bound.baseUs + carried.bound.perUs * u
                            : std::numeric_limits<double>::infinity();
}

std::int64_t PassDating::Latest() const
{
    // The time that showed the pass is the latest it can have begun.
    double latest = static_cast<double>(shownUs);
    const SpeedBounds::Range& own = run.SecondsPerClipSecond();
    // A wrap keeps its speed: where the pass's own run agrees, the two bound it together.
    if (reach)
    {
        const SpeedBounds::Range both = reach->range.Meet(own);
        latest = std::min(latest, At(*reach, both.Empty() ? reach->range : both));
    }
    const SpeedBounds::Range both = own.Meet(alikeRange);
    const double least = both.Empty() ? own.least : both.least;
    double fromBeginning = latest;
    if (beginningAlong)
        for (std::size_t i = 0; i < timeCount; ++i)
        {
            // The fastest play the times allow took the least time from the beginning.
            const double way = std::max(0.0, times[i].along - *beginningAlong);
            fromBeginning =
                std::min(fromBeginning, static_cast<double>(times[i].atUs) - way * least * 1e6);
        }
    // Even at the fastest play the beginning would lie before the pass before was last seen, or
    // before the run before could reach it: the pass did not begin there (a clip launched
    // elsewhere, a point that moved).
    if (fromBeginning >= static_cast<double>(std::max(floorUs, beginningNotBeforeUs)))
        latest = fromBeginning;
    // Truncated up: a beginning dated a microsecond late rather than early.
    return std::max(floorUs, static_cast<std::int64_t>(std::ceil(latest)));
}
