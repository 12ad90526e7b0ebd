// The Windows test host's side of the receiver on the Linux side: it announces each check that
// makes the plug-in send (see CatcherProtocol.h), on 127.0.0.1 at the receiver's port.
#pragma once

#include <cstdint>
#include <string_view>

namespace wine_host
{
class CatcherLink
{
public:
    explicit CatcherLink(std::uint16_t catcherPort) : port(catcherPort) {}

    std::uint16_t Port() const { return port; }
    // Sends the announcement now, before the check does anything. Throws std::runtime_error
    // when it cannot be sent.
    void Announce(std::string_view check) const;

private:
    std::uint16_t port;
};
} // namespace wine_host
