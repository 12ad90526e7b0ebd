// Delivers one OSC message as one UDP datagram.
#pragma once

#include "platform/UdpSocketApi.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace osc
{
// Every way a send can end. Both NotResolved and NotAnswered have the status
// "getaddrinfo failed", both NoSocket and NotSentWhole "sendto failed".
enum class SendOutcome
{
    Sent,
    EmptyHost,
    BadPort,
    BadAddress,
    StartUpFailed,
    NotResolved,
    NotAnswered,    // the name server did not answer, and no good address was kept
    NoSocket,       // no resolved address could have a socket
    NotSentWhole,   // a socket opened, but no address took the whole datagram
    NotResolvedYet, // the name's lookup is under way: the send waits for it elsewhere
    NoLookupThread, // the name was never found, and no thread can be had to look it up
};

// The outcome of one send. `status` is exactly one of: "sent", "empty host", "bad port",
// "bad address", "WSAStartup failed", "getaddrinfo failed", "sendto failed".
struct SendResult
{
    bool ok = false; // true only when the datagram went out whole
    std::string status;
    SendOutcome outcome = SendOutcome::Sent;
    // NotResolved or NotAnswered: the name's lookup failed and its last good address stood in.
    // Set on one send only after each failure, so that it is told once.
    std::optional<SendOutcome> failedLookup;
    // The name's lookup found other addresses than before: the first of them, which this send
    // tried first. Set on one send only after each change, so that it is told once.
    std::optional<platform::ResolvedAddress> newAddress;
};

// Checks the inputs (host, then port, then address), encodes the message, starts the socket
// library, resolves the host and sends the datagram to the first resolved address whose socket
// opens and which takes it whole. One fresh socket per attempt, closed at once. Names are
// resolved through the shared name cache (sending/NameCache.h), so a send waits for a
// lookup only when no answer is kept. Blocking: sender threads only. Re-entrant. Never throws
// for network failures (an allocation may). The arguments come, as EncodeOscMessage takes them
// and as they go out: strings, then ints, then floats.
SendResult SendOscMessage(const std::string& host, std::int32_t port, std::string_view address,
                          std::span<const std::string> strings, std::span<const std::int32_t> ints,
                          std::span<const float> floats);

class DatagramSender;
struct Resolution;
// How a send finds the addresses of host and port: nothing when it cannot without waiting.
using Resolver = std::optional<Resolution> (*)(const std::string& host, std::int32_t port,
                                               std::vector<platform::ResolvedAddress>& out);
// An encoded message to host and port through `sockets`, the host resolved by `resolve`: what
// SendOscMessage does after its checks and encoding. NotResolvedYet when `resolve` cannot answer
// yet. Blocking as long as `resolve` and one datagram send.
SendResult SendPayload(const std::string& host, std::int32_t port,
                       std::span<const std::uint8_t> payload, DatagramSender& sockets,
                       const Resolver& resolve);
} // namespace osc
