// How long the plug-in's calls took per frame.
#pragma once

#include <cstddef>
#include <span>

namespace standin
{

struct FrameTimeStats
{
    std::size_t count = 0;
    double min = 0.0;
    double mean = 0.0;
    double p99 = 0.0; // nearest rank: at least 99 % of the frames took this long or less
    double max = 0.0;
};

// All zero for no frames.
FrameTimeStats ComputeFrameTimeStats(std::span<const double> milliseconds);

} // namespace standin
