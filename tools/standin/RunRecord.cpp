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
    return static_cast<std::size_t>(std::upper_bound(clipStarts.begin(), clipStarts.end(), when) -
                                    clipStarts.begin());
}

double RunRecord::SinceClipStart(Clock::time_point when) const
{
    const std::size_t clip = ClipAt(when);
    return clip == 0 ? 0.0 : Seconds(when - clipStarts[clip - 1]);
}

std::string RunRecord::Stamp(Clock::time_point when) const
{
    const std::size_t clip = ClipAt(when);
    return clip == 0 ? "[setup]" : FormatText("[clip %zu %+.3fs]", clip, SinceClipStart(when));
}

} // namespace standin
