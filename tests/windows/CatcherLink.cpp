#include "tests/windows/CatcherLink.h"

#include "platform/UdpSocketApi.h"
#include "tests/windows/CatcherProtocol.h"
#include "tests/windows/Check.h"

#include <string>
#include <vector>

namespace wine_host
{
namespace
{
// An OSC message without arguments: the address and the type tags "," as OSC strings, each
// zero-terminated and padded with zeros to a multiple of 4.
std::vector<std::uint8_t> AnnouncementBytes(std::string_view check)
{
    std::vector<std::uint8_t> bytes;
    const std::string address = std::string(wine_catcher::kAnnouncementPrefix) + std::string(check);
    for (const std::string_view text : {std::string_view(address), std::string_view(",")})
    {
        bytes.insert(bytes.end(), text.begin(), text.end());
        bytes.resize((bytes.size() + 4) & ~std::size_t{3}, 0);
    }
    return bytes;
}
} // namespace

void CatcherLink::Announce(std::string_view check) const
{
    const platform::SocketCalls& calls = platform::SystemSocketCalls();
    std::vector<platform::ResolvedAddress> addresses;
    const std::string service = std::to_string(port);
    Check(calls.startUp() &&
              calls.resolve("127.0.0.1", service.c_str(), addresses) ==
                  platform::LookupStatus::Resolved &&
              !addresses.empty(),
          "cannot resolve the receiver's address 127.0.0.1:" + service);
    const platform::ResolvedAddress& receiver = addresses.front();
    const platform::SocketHandle socket =
        calls.open(receiver.family, receiver.socketType, receiver.protocol);
    Check(socket != platform::kInvalidSocket, "cannot open a socket to the receiver");
    const std::vector<std::uint8_t> bytes = AnnouncementBytes(check);
    const std::int64_t sent = calls.sendTo(socket, bytes.data(), bytes.size(), receiver);
    calls.close(socket);
    Check(sent == static_cast<std::int64_t>(bytes.size()),
          "cannot announce " + std::string(check) + " to the receiver");
}
} // namespace wine_host
