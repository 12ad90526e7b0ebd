#include "sending/DatagramSender.h"

#include <utility>

namespace osc
{
DatagramSender::~DatagramSender()
{
    const platform::SocketCalls& calls = platform::CurrentSocketCalls();
    for (Kept& socket : kept)
        if (socket.handle != platform::kInvalidSocket)
            calls.close(socket.handle);
}

DatagramSender::Kept* DatagramSender::SocketFor(const platform::SocketCalls& calls,
                                                const platform::ResolvedAddress& address)
{
    Kept* free = nullptr;
    for (Kept& socket : kept)
    {
        const bool open = socket.handle != platform::kInvalidSocket;
        if (open && socket.family == address.family && socket.socketType == address.socketType &&
            socket.protocol == address.protocol)
            return &socket;
        if (!open && !free)
            free = &socket;
    }
    if (!free)
        return nullptr;
    free->handle = calls.open(address.family, address.socketType, address.protocol);
    if (free->handle == platform::kInvalidSocket)
        return nullptr;
    free->family = address.family;
    free->socketType = address.socketType;
    free->protocol = address.protocol;
    return free;
}

SendOutcome DatagramSender::SendToFirst(std::span<const std::uint8_t> payload,
                                        const std::vector<platform::ResolvedAddress>& addresses)
{
    const platform::SocketCalls& calls = platform::CurrentSocketCalls();
    bool opened = false;
    for (const platform::ResolvedAddress& address : addresses)
    {
        Kept* socket = SocketFor(calls, address);
        if (!socket)
            continue;
        opened = true;
        const std::int64_t sent =
            calls.sendTo(socket->handle, payload.data(), payload.size(), address);
        if (sent >= 0 && static_cast<std::uint64_t>(sent) == payload.size())
            return SendOutcome::Sent;
        calls.close(std::exchange(socket->handle, platform::kInvalidSocket));
    }
    return opened ? SendOutcome::NotSentWhole : SendOutcome::NoSocket;
}
} // namespace osc
