#include "tools/standin/RunRecord.h"

#include "tools/standin/TextFormat.h"

#include <algorithm>

namespace standin
{

double Seconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

std::size_t RunRecord::ClipAt(Clock::time_point when) const
{
    return static_cast<std::size_t>(
        std::upper_bound(clipStarts.begin(), clipStarts.end(), when,
                         [](Clock::time_point at, const ClipStart& start)
                         { return at < start.at; }) -
        clipStarts.begin());
}

bool RunRecord::Unseen(std::size_t clip) const
{
    return !clipStarts[clip - 1].shownBy && clip < clipStarts.size();
}

double RunRecord::SinceClipStart(Clock::time_point when) const
{
    const std::size_t clip = ClipAt(when);
    return clip == 0 ? 0.0 : Seconds(when - clipStarts[clip - 1].at);
}

std::string RunRecord::Stamp(Clock::time_point when) const
{
    const std::size_t clip = ClipAt(when);
    return clip == 0 ? "[setup]" : FormatText("[clip %zu %+.3fs]", clip, SinceClipStart(when));
}

HoldTotals RunRecord::TotalHolds() const
{
    HoldTotals totals;
    for (const Hold& hold : holds)
    {
        totals.held += hold.end - hold.begin;
        totals.threadsStarted += hold.threadsStarted;
        totals.datagrams += static_cast<std::size_t>(std::count_if(
            arrivals.begin(), arrivals.end(),
            [&hold](const Arrival& arrival) {
                return arrival.message.arrival >= hold.begin && arrival.message.arrival < hold.end;
            }));
    }
    return totals;
}

} // namespace standin
