// One OSC message as the system sends it: an address and three argument lists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace osc
{
// On the wire every string comes first, then every int, then every float, whatever order the
// caller thought of them in.
struct OscMessage
{
    std::string address;
    std::vector<std::string> strings;
    std::vector<std::int32_t> ints;
    std::vector<float> floats;
};
} // namespace osc
