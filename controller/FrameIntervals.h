// How far ahead a frame looks for messages to hand over: one frame period, as the last frames
// came, within sane bounds. A plain value: its owner guards it.
#pragma once

#include <array>
#include <cstdint>

class FrameIntervals
{
public:
    static constexpr std::int64_t kShortestUs = 4000;
    static constexpr std::int64_t kLongestUs = 100000;

    // A frame at `nowUs`.
    void Add(std::int64_t nowUs);
    // The longest of the last few intervals (frames come unevenly: the shortest would let a
    // message slip past the frame before it), within the bounds; the longest bound lets a
    // stopped clip send at most what was due within the next 100 ms.
    std::int64_t LookAheadUs() const;

private:
    std::array<std::int64_t, 8> intervals{};
    std::size_t next = 0;
    std::int64_t lastUs = -1;
};
