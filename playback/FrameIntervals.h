// How far ahead a frame looks for messages to hand over: two frame periods, as the last frames
// came, within sane bounds. A plain value: its owner guards it.
#pragma once

#include <array>
#include <cstdint>

class FrameIntervals
{
public:
    static constexpr std::int64_t kShortestUs = 4000;
    // Intervals up to this are frames (4 frames a second); longer ones are gaps.
    static constexpr std::int64_t kLongestFrameUs = 250000;

    // A frame at `nowUs`.
    void Add(std::int64_t nowUs);
    // Twice the longest of the last few intervals: frames come unevenly (the shortest would let
    // a message slip past the frame before it), and a host drops one now and then, so the next
    // frame may come two periods later. At least kShortestUs; a stopped clip sends at most what
    // was due within two of its frame periods.
    std::int64_t LookAheadUs() const;

private:
    std::array<std::int64_t, 8> intervals{};
    std::size_t next = 0;
    std::int64_t lastUs = -1;
};
