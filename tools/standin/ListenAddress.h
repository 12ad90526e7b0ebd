// Where the stand-in receives OSC: a loopback address and a UDP port.
#pragma once

#include "tools/testhost/OscReceiver.h"

#include <cstdint>

namespace standin
{

struct ListenAddress
{
    testhost::Loopback loopback = testhost::Loopback::IPv4;
    std::uint16_t port = 0; // 0: any free port
};

// Throws std::runtime_error saying which address and port cannot be listened on, and why.
testhost::OscReceiver OpenReceiver(const ListenAddress& address);

} // namespace standin
