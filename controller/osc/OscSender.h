// Delivers one OSC message as one UDP datagram.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace osc
{
// The outcome of one send. `status` is exactly one of: "sent", "empty host", "bad port",
// "bad address", "WSAStartup failed", "getaddrinfo failed", "sendto failed".
struct SendResult
{
    bool ok = false; // true only when the datagram went out whole
    std::string status;
};

// Checks the inputs (host, then port, then address), encodes the message, starts the socket
// library, resolves the host and sends the datagram to the first resolved address whose socket
// opens and which takes it whole. One fresh socket per attempt, closed at once; nothing is kept
// between calls. Blocking: sender threads only. Re-entrant: takes no lock and reads only its
// arguments and the socket-call table (platform/UdpSocketApi.h). Never throws for network
// failures. The arguments go out strings first, then ints, then floats.
SendResult SendOscMessage(const std::string& host, std::int32_t port, std::string_view address,
                          std::span<const std::int32_t> ints, std::span<const float> floats,
                          std::span<const std::string> strings);
} // namespace osc
