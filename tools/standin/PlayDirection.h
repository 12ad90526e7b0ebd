// Which way the stand-in plays the clip, as a host's play mode does.
#pragma once

#include <optional>
#include <string_view>

namespace standin
{

enum class PlayDirection
{
    Forward,  // 0 to the clip's end, then from 0 again
    Reverse,  // the clip's end down to 0, then from the end again
    PingPong, // 0 to the end and back to 0, and again: a pass up and down is a clip
};

// "forward", "reverse", "pingpong": what --direction takes.
std::string_view DirectionName(PlayDirection direction);
std::optional<PlayDirection> ParseDirection(std::string_view name);

} // namespace standin
