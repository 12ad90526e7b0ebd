#include "playback/PlaySpeed.h"

#include <algorithm>
#include <cmath>

void PlaySpeed::Restart(double time, std::int64_t at)
{
    count = 0;
    next = 0;
    Add(time, at);
}

void PlaySpeed::Add(double time, std::int64_t at)
{
    times[next] = time;
    atUs[next] = at;
    next = (next + 1) % kTimes;
    if (count < kTimes)
        ++count;
    if (count == 1)
    {
        firstTime = time;
        firstAtUs = at;
    }
    // The newest two off the line of the ones before, the same way: the speed changed, and
    // the run goes on from the one before them.
    if (count < 5)
        return;
    const Line before = Fit(count - 2, count);
    const double off1 = Off(before, count - 2);
    const double off2 = Off(before, count - 1);
    const double allowed = 3.0 * std::abs(before.slope) * kCallJitterSeconds + 1e-6;
    if (std::abs(off1) > allowed && std::abs(off2) > allowed && (off1 > 0.0) == (off2 > 0.0))
    {
        count = 3;
        Rebase();
    }
    // The speed changed inside the run, more gently: the long baseline begins after it.
    else if (count == kTimes && !Whole())
        Rebase();
}

void PlaySpeed::Rebase()
{
    firstTime = times[Index(0)];
    firstAtUs = atUs[Index(0)];
}

std::optional<PlaySpeed::Estimate> PlaySpeed::Whole() const
{
    const std::optional<Estimate> recent = Recent();
    const double baseline = static_cast<double>(atUs[Index(count - 1)] - firstAtUs) / 1e6;
    if (!recent || baseline <= 0.0)
        return std::nullopt;
    // Its newest end is as late as the recent calls show (the worst of them included).
    const Estimate whole{std::abs(times[Index(count - 1)] - firstTime) / baseline,
                         Fit(count, count).jitter / baseline};
    if (std::abs(whole.speed - recent->speed) > recent->speed * recent->uncertainty)
        return std::nullopt;
    return whole;
}

std::size_t PlaySpeed::Index(std::size_t ordinal) const
{
    return (next + kTimes - count + ordinal) % kTimes;
}

double PlaySpeed::X(std::size_t ordinal) const
{
    // Moments relative to the newest and times relative to its time keep the sums exact.
    return static_cast<double>(atUs[Index(ordinal)] - atUs[Index(count - 1)]) / 1e6;
}

double PlaySpeed::Y(std::size_t ordinal) const
{
    return times[Index(ordinal)] - times[Index(count - 1)];
}

double PlaySpeed::Off(const Line& line, std::size_t ordinal) const
{
    return Y(ordinal) - line.meanY - line.slope * (X(ordinal) - line.meanX);
}

PlaySpeed::Line PlaySpeed::Fit(std::size_t oldest, std::size_t skip) const
{
    Line line;
    double n = 0.0;
    for (std::size_t i = 0; i < oldest; ++i)
        if (i != skip)
        {
            n += 1.0;
            line.meanX += X(i);
            line.meanY += Y(i);
        }
    line.meanX /= n;
    line.meanY /= n;
    double spread = 0.0;
    for (std::size_t i = 0; i < oldest; ++i)
        if (i != skip)
        {
            line.sxx += (X(i) - line.meanX) * (X(i) - line.meanX);
            line.slope += (X(i) - line.meanX) * (Y(i) - line.meanY);
            spread += std::abs(X(i) - line.meanX);
        }
    if (!(line.sxx > 0.0))
        return line;
    line.slope /= line.sxx;
    // A call late by e moves the slope by at most e * spread / sxx of itself; e is what the
    // calls show, when they come later than a host's usual jitter (a busy machine). The line
    // runs through the middle of their lateness: its spread is twice the farthest from it.
    if (std::abs(line.slope) > 0.0)
        for (std::size_t i = 0; i < oldest; ++i)
            if (i != skip)
                line.jitter =
                    std::max(line.jitter, 2.0 * std::abs(Off(line, i)) / std::abs(line.slope));
    line.jitter = std::min(line.jitter, kLongestJitterSeconds);
    line.uncertainty = line.jitter * spread / line.sxx;
    return line;
}

std::optional<PlaySpeed::Estimate> PlaySpeed::Current() const
{
    const std::optional<Estimate> recent = Recent();
    const std::optional<Estimate> whole = Whole();
    return whole && whole->uncertainty < recent->uncertainty ? whole : recent;
}

std::optional<PlaySpeed::Point> PlaySpeed::Centre(bool withoutNewest) const
{
    if (count < (withoutNewest ? 3u : 2u))
        return std::nullopt;
    const Line line = withoutNewest ? Fit(count - 1, count) : Robust();
    if (!(line.sxx > 0.0))
        return std::nullopt;
    const std::size_t newest = Index(count - 1);
    return Point{times[newest] + line.meanY, atUs[newest] + std::llround(line.meanX * 1e6)};
}

PlaySpeed::Line PlaySpeed::Robust() const
{
    Line line = Fit(count, count);
    if (!(line.sxx > 0.0))
        return line;
    // One time off the line by more than late calls explain (a decoder's stale time, a clock
    // a little behind) does not bend it.
    std::size_t worst = 0;
    for (std::size_t i = 1; i < count; ++i)
        if (std::abs(Off(line, i)) > std::abs(Off(line, worst)))
            worst = i;
    if (count >= 4 &&
        std::abs(Off(line, worst)) > 2.0 * std::abs(line.slope) * kCallJitterSeconds + 1e-6)
        line = Fit(count, worst);
    return line;
}

std::optional<PlaySpeed::Estimate> PlaySpeed::Recent() const
{
    if (count < 2)
        return std::nullopt;
    const Line line = Robust();
    if (!(line.sxx > 0.0))
        return std::nullopt;
    return Estimate{std::abs(line.slope), line.uncertainty};
}
