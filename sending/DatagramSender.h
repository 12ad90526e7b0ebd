// Sends datagrams through sockets opened on first use and kept, one for each kind of address
// (IPv4, IPv6): a send is one system call. The socket calls go through the platform's seam.
//
// Threads: one thread uses one sender (the scheduler its own, each lookup thread another).
#pragma once

#include "sending/OscSender.h"
#include "platform/UdpSocketApi.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace osc
{
class DatagramSender
{
public:
    DatagramSender() = default;
    ~DatagramSender();
    DatagramSender(const DatagramSender&) = delete;
    DatagramSender& operator=(const DatagramSender&) = delete;

    // The payload to the first address whose socket opens and which takes it whole: Sent,
    // NoSocket or NotSentWhole. A socket whose send failed is closed, and opened again next time.
    // Blocking only as long as sending a datagram takes.
    SendOutcome SendToFirst(std::span<const std::uint8_t> payload,
                            const std::vector<platform::ResolvedAddress>& addresses);

private:
    struct Kept
    {
        int family = 0;
        int socketType = 0;
        int protocol = 0;
        platform::SocketHandle handle = platform::kInvalidSocket;
    };
    Kept* SocketFor(const platform::SocketCalls& calls, const platform::ResolvedAddress& address);

    std::array<Kept, 4> kept{};
};
} // namespace osc
