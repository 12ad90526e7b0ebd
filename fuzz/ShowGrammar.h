// The values a show's bytes choose among, shared by the decoder and the seed writer: a byte
// picks the entry at its value modulo the table's size. docs/fuzzing.md lists them.
#pragma once

#include <cstdint>

namespace showfuzz::grammar
{
inline constexpr double kRates[] = {8, 9, 12, 15, 24, 25, 30, 48, 50, 60, 75, 90, 120, 144, 165, 240};
inline constexpr double kUneven[] = {0.0, 0.05, 0.15, 0.3};
inline constexpr double kDrops[] = {0.0, 0.01, 0.03, 0.08};
// 0 keeps the speed before.
inline constexpr double kSpeeds[] = {0.0, 1.0, 0.1, 0.25, 0.5, 0.75, 1.5, 2.0,
                                     3.0, 4.0, 5.0, 6.0,  8.0, 10.0, 12.0, 16.0};
// -1 keeps the in point before.
inline constexpr double kInPoints[] = {-1.0, 0.0, 0.02, 0.04, 0.5, 1.0, 2.0, 5.0};

// The actions, in the order an action's first byte picks them (modulo 18).
enum class Action : std::uint8_t
{
    PlayOn,
    PlayOnToo,
    Launch,
    Retrigger,
    ChangeSpeed,
    Pause,
    Scrub,
    Drag,
    Resync,
    Dip,
    OddTime,
    Stall,
    Hide,
    PauseAndHide,
    StopTimes,
    PressTest,
    Join,
    MovePoints,
    Count,
};
} // namespace showfuzz::grammar
