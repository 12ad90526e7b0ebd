// The host's OSC address space for a layer: its address, and the two messages the effect sends
// to it.
#pragma once

#include "controller/osc/OscMessage.h"

#include <cstdint>
#include <string>

// "/composition/selectedlayer" below layer 1, else "/composition/layers/" and the number.
std::string LayerAddress(std::int32_t layerNumber);

// The transition-duration message: layer address + "/transition/duration", "a" and the seconds.
osc::OscMessage TransitionMessage(const std::string& layerAddress, float durationSeconds);
// The next-clip message: layer address + "/connectnextclip" and the int 1.
osc::OscMessage NextClipMessage(const std::string& layerAddress);
