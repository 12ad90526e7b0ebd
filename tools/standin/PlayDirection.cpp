#include "tools/standin/PlayDirection.h"

namespace standin
{
namespace
{
constexpr PlayDirection kDirections[] = {PlayDirection::Forward, PlayDirection::Reverse,
                                         PlayDirection::PingPong};
constexpr std::string_view kNames[] = {"forward", "reverse", "pingpong"};
} // namespace

std::string_view DirectionName(PlayDirection direction)
{
    return kNames[static_cast<std::size_t>(direction)];
}

std::optional<PlayDirection> ParseDirection(std::string_view name)
{
    for (const PlayDirection direction : kDirections)
    {
        if (DirectionName(direction) == name)
            return direction;
    }
    return std::nullopt;
}

} // namespace standin
