// Helpers for driving the sender through its socket-call seam (platform/UdpSocketApi.h): a table
// that counts every call and forwards to the system, and a scope that installs a table.
#pragma once

#include "platform/UdpSocketApi.h"

#include <atomic>

// Installs a table for the life of the scope and puts the previous one back.
class ScopedSocketCalls
{
public:
    explicit ScopedSocketCalls(const platform::SocketCalls& calls)
        : previous(platform::InstallSocketCalls(&calls))
    {
    }
    ~ScopedSocketCalls() { platform::InstallSocketCalls(previous); }
    ScopedSocketCalls(const ScopedSocketCalls&) = delete;
    ScopedSocketCalls& operator=(const ScopedSocketCalls&) = delete;

private:
    const platform::SocketCalls* previous;
};

// Counts of the calls made through CountingCalls(); reset with Reset().
struct CallCounts
{
    std::atomic<int> startUps{0};
    std::atomic<int> resolves{0};
    std::atomic<int> opens{0};    // sockets actually created
    std::atomic<int> sends{0};
    std::atomic<int> closes{0};

    void Reset()
    {
        startUps = 0;
        resolves = 0;
        opens = 0;
        sends = 0;
        closes = 0;
    }
};

inline CallCounts counts;

// Forwards to the system's calls, counting each one.
inline const platform::SocketCalls& CountingCalls()
{
    static const platform::SocketCalls table{
        .startUp = [] {
            ++counts.startUps;
            return platform::SystemSocketCalls().startUp();
        },
        .resolve =
            [](const char* host, const char* service, std::vector<platform::ResolvedAddress>& out) {
                ++counts.resolves;
                return platform::SystemSocketCalls().resolve(host, service, out);
            },
        .open =
            [](int family, int type, int protocol) {
                const platform::SocketHandle socket =
                    platform::SystemSocketCalls().open(family, type, protocol);
                if (socket != platform::kInvalidSocket)
                    ++counts.opens;
                return socket;
            },
        .sendTo =
            [](platform::SocketHandle socket, const std::uint8_t* data, std::size_t length,
               const platform::ResolvedAddress& to) {
                ++counts.sends;
                return platform::SystemSocketCalls().sendTo(socket, data, length, to);
            },
        .close =
            [](platform::SocketHandle socket) {
                ++counts.closes;
                platform::SystemSocketCalls().close(socket);
            },
    };
    return table;
}
