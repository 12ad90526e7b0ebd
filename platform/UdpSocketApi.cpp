#include "platform/UdpSocketApi.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <memory>

namespace platform
{
namespace
{
static_assert(sizeof(sockaddr_storage) <= sizeof(ResolvedAddress::address),
              "a resolved address must fit any sockaddr of the platform");

struct AddressListDeleter
{
    void operator()(addrinfo* list) const noexcept { freeaddrinfo(list); }
};
using AddressList = std::unique_ptr<addrinfo, AddressListDeleter>;

bool SystemStartUp()
{
#ifdef _WIN32
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
#else
    return true;
#endif
}

LookupStatus SystemResolve(const char* host, const char* service, std::vector<ResolvedAddress>& out)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_protocol = 0;
    hints.ai_flags = 0;
    addrinfo* first = nullptr;
    if (const int result = getaddrinfo(host, service, &hints, &first); result != 0)
        return LookupStatusOf(result);
    const AddressList list(first);
    for (const addrinfo* entry = list.get(); entry; entry = entry->ai_next)
    {
        ResolvedAddress address;
        address.family = entry->ai_family;
        address.socketType = entry->ai_socktype;
        address.protocol = entry->ai_protocol;
        const auto length = static_cast<std::size_t>(entry->ai_addrlen);
        if (!entry->ai_addr || length > address.address.size())
            continue; // cannot happen with a conforming resolver
        std::memcpy(address.address.data(), entry->ai_addr, length);
        address.addressLength = static_cast<std::uint32_t>(length);
        out.push_back(address);
    }
    return LookupStatus::Resolved;
}

SocketHandle SystemOpen(int family, int socketType, int protocol)
{
#ifdef _WIN32
    const SOCKET s = socket(family, socketType, protocol);
    return s == INVALID_SOCKET ? kInvalidSocket : static_cast<SocketHandle>(s);
#else
    const int fd = ::socket(family, socketType, protocol);
    return fd < 0 ? kInvalidSocket : static_cast<SocketHandle>(fd);
#endif
}

std::int64_t SystemSendTo(SocketHandle socket, const std::uint8_t* data, std::size_t length,
                          const ResolvedAddress& to)
{
    sockaddr_storage destination{};
    std::memcpy(&destination, to.address.data(), to.addressLength);
    const auto* target = reinterpret_cast<const sockaddr*>(&destination);
#ifdef _WIN32
    if (length > static_cast<std::size_t>(INT_MAX))
        return -1;
    return sendto(static_cast<SOCKET>(socket), reinterpret_cast<const char*>(data),
                  static_cast<int>(length), 0, target, static_cast<int>(to.addressLength));
#else
    return ::sendto(static_cast<int>(socket), data, length, 0, target,
                    static_cast<socklen_t>(to.addressLength));
#endif
}

void SystemClose(SocketHandle socket)
{
#ifdef _WIN32
    closesocket(static_cast<SOCKET>(socket));
#else
    ::close(static_cast<int>(socket));
#endif
}

constexpr SocketCalls kSystemCalls{
    .startUp = &SystemStartUp,
    .resolve = &SystemResolve,
    .open = &SystemOpen,
    .sendTo = &SystemSendTo,
    .close = &SystemClose,
};

std::atomic<const SocketCalls*> installed{nullptr};
} // namespace

LookupStatus LookupStatusOf(int getaddrinfoResult)
{
#ifdef _WIN32
    constexpr int kTryAgain = WSATRY_AGAIN;
#else
    constexpr int kTryAgain = EAI_AGAIN;
#endif
    if (getaddrinfoResult == 0)
        return LookupStatus::Resolved;
    return getaddrinfoResult == kTryAgain ? LookupStatus::NoAnswer : LookupStatus::NotFound;
}

bool IsNumericHost(const char* host)
{
#ifdef _WIN32
    // Winsock wants its start-up before any of its calls; once is enough here.
    static const bool started = SystemStartUp();
    (void)started;
#endif
    in6_addr buffer{}; // large enough for either family
    return inet_pton(AF_INET, host, &buffer) == 1 || inet_pton(AF_INET6, host, &buffer) == 1;
}

AddressText NumericAddressText(const ResolvedAddress& address)
{
    AddressText text{};
    sockaddr_storage storage{}; // aligned, as the resolver's entry was
    const std::size_t length = std::min<std::size_t>(address.addressLength, sizeof storage);
    std::memcpy(&storage, address.address.data(), length);
    constexpr unsigned kRoom = sizeof(AddressText); // socklen_t here, DWORD on Windows
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&storage), static_cast<socklen_t>(length),
                    text.data(), kRoom, nullptr, 0, NI_NUMERICHOST) != 0)
        text[0] = '\0';
    return text;
}

const SocketCalls& SystemSocketCalls()
{
    return kSystemCalls;
}

const SocketCalls& CurrentSocketCalls()
{
    const SocketCalls* calls = installed.load(std::memory_order_acquire);
    return calls ? *calls : kSystemCalls;
}

const SocketCalls* InstallSocketCalls(const SocketCalls* calls)
{
    return installed.exchange(calls, std::memory_order_acq_rel);
}
} // namespace platform
