// The socket calls of the UDP sender: Windows Sockets 2 on Windows, POSIX sockets
// elsewhere. They are reached through one replaceable table, so that a test can make a lookup
// fail, hang or return several addresses, or make a send short, without touching the network.
// Nothing here is exported from the plug-in.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform
{
// A socket of the platform: a descriptor on POSIX, a SOCKET on Windows.
using SocketHandle = std::uintptr_t;
inline constexpr SocketHandle kInvalidSocket = ~SocketHandle{0};

// One candidate destination, copied out of the resolver's list in the resolver's order.
struct ResolvedAddress
{
    int family = 0;
    int socketType = 0;
    int protocol = 0;
    // The first addressLength bytes hold the platform's sockaddr for this entry.
    std::array<std::byte, 128> address{};
    std::uint32_t addressLength = 0;
};

// How a name lookup ended. The cache keeps a failure for a time that depends on its kind.
enum class LookupStatus : std::uint8_t
{
    Resolved, // getaddrinfo answered zero
    NoAnswer, // EAI_AGAIN (Windows: WSATRY_AGAIN): the name server did not answer in time
    NotFound, // EAI_NONAME (Windows: WSAHOST_NOT_FOUND), and every other failure
};

// getaddrinfo's result as a status.
LookupStatus LookupStatusOf(int getaddrinfoResult);

// The seam: every socket call the sender makes. Each member is a plain function that any thread
// may call at any time; the functions keep no state between calls.
struct SocketCalls
{
    // WSAStartup for version 2.2 on Windows (never matched by a shutdown); nothing on POSIX.
    // True when the socket calls may be used.
    bool (*startUp)();
    // getaddrinfo(host, service) with hints: datagram sockets, any family, protocol 0, flags 0.
    // On a zero return, appends every entry to `out` in the resolver's order, frees the
    // resolver's list and answers Resolved (possibly with nothing appended); otherwise why not.
    LookupStatus (*resolve)(const char* host, const char* service,
                            std::vector<ResolvedAddress>& out);
    // socket(family, type, protocol); kInvalidSocket when it cannot be created.
    SocketHandle (*open)(int family, int socketType, int protocol);
    // One blocking sendto of the whole buffer with flags 0. The count sent, or -1.
    std::int64_t (*sendTo)(SocketHandle socket, const std::uint8_t* data, std::size_t length,
                           const ResolvedAddress& to);
    // closesocket / close. The result is ignored.
    void (*close)(SocketHandle socket);
};

// Whether the text is a numeric IPv4 or IPv6 address, which needs no name lookup. Any thread.
bool IsNumericHost(const char* host);

// The address of a resolved entry as numeric text ("192.168.1.21", "::1"); empty when the platform
// cannot write it. Allocates nothing; any thread.
using AddressText = std::array<char, 48>;
AddressText NumericAddressText(const ResolvedAddress& address);

// The platform's own calls. The table lives for the life of the process.
const SocketCalls& SystemSocketCalls();

// The table the sender uses now: the system's, unless a test installed another.
const SocketCalls& CurrentSocketCalls();

// Tests only. Installs `calls` (null puts the system's table back) and answers the table it
// replaces (null when that was the system's). The table must stay alive while installed.
const SocketCalls* InstallSocketCalls(const SocketCalls* calls);
} // namespace platform
