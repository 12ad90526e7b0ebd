// The plug-in's parameters by index, as a host that knows this plug-in addresses them.
#pragma once

#include <cstdint>

namespace testhost
{
enum ParameterIndex : std::uint32_t
{
    LayerTransIndex = 0,
    DurationIndex = 1,
    DelayIndex = 2,
    NextClipIndex = 3,
    DelayNextClipIndex = 4,
    OscMsgIndex = 5,
    MessageDelayIndex = 6,
    TestIndex = 7,
    StatusIndex = 8,
    LayerIndex = 9,
    OscHostIndex = 10,
    OscPortIndex = 11,
    DelaysInBeatsIndex = 12,
};
inline constexpr std::uint32_t kParameterCount = 13;
} // namespace testhost
