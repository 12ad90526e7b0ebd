#include "tools/standin/FrameTimeStats.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace standin
{

FrameTimeStats ComputeFrameTimeStats(std::span<const double> milliseconds)
{
    FrameTimeStats stats;
    stats.count = milliseconds.size();
    if (milliseconds.empty())
        return stats;
    std::vector<double> sorted(milliseconds.begin(), milliseconds.end());
    std::sort(sorted.begin(), sorted.end());
    const auto count = static_cast<double>(sorted.size());
    const auto rank = static_cast<std::size_t>(std::ceil(0.99 * count));
    stats.min = sorted.front();
    stats.max = sorted.back();
    stats.mean = std::accumulate(sorted.begin(), sorted.end(), 0.0) / count;
    stats.p99 = sorted[std::max<std::size_t>(rank, 1) - 1];
    return stats;
}

} // namespace standin
