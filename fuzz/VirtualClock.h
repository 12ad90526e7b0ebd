// The plug-in's steady clock, moved only by the fuzzer: a host may stall for minutes, and a
// finding replays with the same moments. Installed through the seamed plug-in's clock seam.
#pragma once

#include <cstdint>

namespace hostfuzz
{
namespace VirtualClock
{
// The microseconds the plug-in reads now. Any thread.
std::int64_t NowUs();
void Advance(std::int64_t microseconds);
// Called after each move: the plug-in's scheduler waits for the clock to move. Set once, before
// any move.
void TellMoves(void (*moved)());
// Far ahead of everything the last input left waiting or kept: every wait it left is over, and
// every answer kept since has expired (the longest is kept for ten minutes).
void LeapPastInput();
} // namespace VirtualClock
} // namespace hostfuzz
