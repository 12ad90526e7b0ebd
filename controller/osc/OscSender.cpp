#include "controller/osc/OscSender.h"

#include "controller/osc/OscEncoder.h"
#include "platform/UdpSocketApi.h"

#include <utility>
#include <vector>

namespace osc
{
namespace
{
// Closes its socket when the scope ends, or earlier through Close().
class ScopedSocket
{
public:
    ScopedSocket(const platform::SocketCalls& socketCalls, platform::SocketHandle opened) noexcept
        : calls(socketCalls), handle(opened)
    {
    }
    ~ScopedSocket() { Close(); }
    ScopedSocket(const ScopedSocket&) = delete;
    ScopedSocket& operator=(const ScopedSocket&) = delete;

    bool IsOpen() const noexcept { return handle != platform::kInvalidSocket; }
    platform::SocketHandle Handle() const noexcept { return handle; }
    void Close() noexcept
    {
        if (IsOpen())
            calls.close(std::exchange(handle, platform::kInvalidSocket));
    }

private:
    const platform::SocketCalls& calls;
    platform::SocketHandle handle;
};

SendResult Failure(const char* status)
{
    return SendResult{false, status};
}
} // namespace

SendResult SendOscMessage(const std::string& host, std::int32_t port, std::string_view address,
                          std::span<const std::int32_t> ints, std::span<const float> floats,
                          std::span<const std::string> strings)
{
    if (host.empty())
        return Failure("empty host");
    // 0, negatives and anything above 65535 all land above 65534.
    if (static_cast<std::uint32_t>(port) - 1u > 65534u)
        return Failure("bad port");
    if (address.empty() || address.front() != '/')
        return Failure("bad address");

    const std::vector<std::uint8_t> payload = EncodeOscMessage(address, strings, ints, floats);

    // One table for the whole call, even if a test swaps it meanwhile.
    const platform::SocketCalls& calls = platform::CurrentSocketCalls();
    if (!calls.startUp())
        return Failure("WSAStartup failed");

    std::vector<platform::ResolvedAddress> addresses;
    if (!calls.resolve(host.c_str(), std::to_string(port).c_str(), addresses) || addresses.empty())
        return Failure("getaddrinfo failed");

    for (const platform::ResolvedAddress& entry : addresses)
    {
        ScopedSocket socket(calls, calls.open(entry.family, entry.socketType, entry.protocol));
        if (!socket.IsOpen())
            continue;
        const std::int64_t sent =
            calls.sendTo(socket.Handle(), payload.data(), payload.size(), entry);
        socket.Close(); // at once, whatever sendto answered
        if (sent >= 0 && static_cast<std::uint64_t>(sent) == payload.size())
            return SendResult{true, "sent"};
    }
    return Failure("sendto failed");
}
} // namespace osc
