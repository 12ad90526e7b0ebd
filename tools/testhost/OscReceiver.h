// Receives OSC datagrams on a loopback UDP port, as a video host's OSC input does, and decodes
// them with liblo: an OSC implementation independent of osc/. Used by the tests and
// the host stand-in. POSIX sockets.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace testhost
{
enum class Loopback
{
    IPv4, // 127.0.0.1
    IPv6, // ::1
};

// Types without data (T, F, N, I) and MIDI/time tags come out as std::monostate; "s" and "S" as
// std::string; "b" as the blob's bytes; "c" as its int32 code.
using OscValue = std::variant<std::monostate, std::int32_t, std::int64_t, float, double,
                              std::string, std::vector<std::uint8_t>>;

// One datagram: the bytes exactly as they arrived and what liblo made of them.
struct ReceivedOsc
{
    std::vector<std::uint8_t> bytes;
    std::chrono::steady_clock::time_point arrival{};
    bool decoded = false; // liblo accepted the bytes as one OSC message
    int decodeError = 0;  // liblo's result code when it did not
    std::string address;  // the address pattern
    std::string types;    // liblo's type string: the type tags without the leading ","
    std::vector<OscValue> values;
};

// Decodes one message with lo_message_deserialise into message.address, types and values (and
// decoded / decodeError); the bytes are taken from message.bytes. Any thread.
void DecodeWithLiblo(ReceivedOsc& message);

// A bound UDP socket on 127.0.0.1 or ::1. One thread at a time. Move-only.
class OscReceiver
{
public:
    // Port 0 takes an ephemeral port; Port() tells which. Throws std::runtime_error when the
    // socket cannot be created or bound (no IPv6 loopback, port taken).
    explicit OscReceiver(Loopback loopback = Loopback::IPv4, std::uint16_t port = 0);
    ~OscReceiver();
    OscReceiver(OscReceiver&& other) noexcept;
    OscReceiver& operator=(OscReceiver&& other) noexcept;
    OscReceiver(const OscReceiver&) = delete;
    OscReceiver& operator=(const OscReceiver&) = delete;

    std::uint16_t Port() const { return port; }
    // The numeric loopback address, to send to: "127.0.0.1" or "::1".
    const char* Host() const;

    // Waits up to `timeout` for one datagram; nothing when none came. The arrival time, on
    // std::chrono::steady_clock, is when the datagram reached the socket, however much later
    // it is taken off.
    std::optional<ReceivedOsc> Receive(std::chrono::milliseconds timeout);
    // Throws away every datagram already waiting; answers how many there were.
    std::size_t Drain();

private:
    int fd = -1;
    Loopback family = Loopback::IPv4;
    std::uint16_t port = 0;
};
} // namespace testhost
