#include "playback/FrameIntervals.h"

#include <algorithm>

void FrameIntervals::Add(std::int64_t nowUs)
{
    // A gap between frames is no frame period: the clip stalled or stopped.
    if (lastUs >= 0 && nowUs - lastUs <= kLongestFrameUs)
    {
        intervals[next] = nowUs - lastUs;
        next = (next + 1) % intervals.size();
    }
    lastUs = nowUs;
}

std::int64_t FrameIntervals::LookAheadUs() const
{
    return std::max(2 * *std::max_element(intervals.begin(), intervals.end()), kShortestUs);
}
