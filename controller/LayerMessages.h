// The host's OSC address space for a layer, and the two messages the effect sends to it, written
// into room the caller owns so that the render thread allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// The layer address is "/composition/selectedlayer" below layer 1, else "/composition/layers/"
// and the number.
// The transition-duration message: layer address + "/transition/duration", "a" and the seconds.
// Its length in `room`, or 0 when it does not fit.
std::size_t EncodeTransitionMessage(std::span<std::uint8_t> room, std::int32_t layerNumber,
                                    float durationSeconds);
// The next-clip message: layer address + "/connectnextclip" and the int 1.
std::size_t EncodeNextClipMessage(std::span<std::uint8_t> room, std::int32_t layerNumber);
