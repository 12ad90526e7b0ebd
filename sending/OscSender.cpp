#include "sending/OscSender.h"

#include "sending/DatagramSender.h"
#include "sending/NameCache.h"
#include "osc/OscEncoder.h"
#include "platform/UdpSocketApi.h"

#include <vector>

namespace osc
{
namespace
{
const char* StatusWord(SendOutcome outcome)
{
    switch (outcome)
    {
    case SendOutcome::Sent:
        return "sent";
    case SendOutcome::EmptyHost:
        return "empty host";
    case SendOutcome::BadPort:
        return "bad port";
    case SendOutcome::BadAddress:
        return "bad address";
    case SendOutcome::StartUpFailed:
        return "WSAStartup failed";
    case SendOutcome::NotResolved:
    case SendOutcome::NotAnswered:
    case SendOutcome::NotResolvedYet:
    case SendOutcome::NoLookupThread:
        return "getaddrinfo failed";
    case SendOutcome::NoSocket:
    case SendOutcome::NotSentWhole:
        break;
    }
    return "sendto failed";
}

SendResult Result(SendOutcome outcome)
{
    return SendResult{outcome == SendOutcome::Sent, StatusWord(outcome), outcome, std::nullopt,
                      std::nullopt};
}

SendOutcome LookupFailure(platform::LookupStatus status)
{
    return status == platform::LookupStatus::NoAnswer ? SendOutcome::NotAnswered
                                                      : SendOutcome::NotResolved;
}

} // namespace

SendResult SendOscMessage(const std::string& host, std::int32_t port, std::string_view address,
                          std::span<const std::string> strings, std::span<const std::int32_t> ints,
                          std::span<const float> floats)
{
    if (host.empty())
        return Result(SendOutcome::EmptyHost);
    // 0, negatives and anything above 65535 all land above 65534.
    if (static_cast<std::uint32_t>(port) - 1u > 65534u)
        return Result(SendOutcome::BadPort);
    if (address.empty() || address.front() != '/')
        return Result(SendOutcome::BadAddress);
    DatagramSender sockets;
    return SendPayload(host, port, EncodeOscMessage(address, strings, ints, floats), sockets,
                       ResolveHostWaiting);
}

SendResult SendPayload(const std::string& host, std::int32_t port,
                       std::span<const std::uint8_t> payload, DatagramSender& sockets,
                       const Resolver& resolve)
{
    if (host.empty())
        return Result(SendOutcome::EmptyHost);
    if (!platform::CurrentSocketCalls().startUp())
        return Result(SendOutcome::StartUpFailed);
    std::vector<platform::ResolvedAddress> addresses;
    const std::optional<Resolution> resolution = resolve(host, port, addresses);
    if (!resolution)
        return Result(SendOutcome::NotResolvedYet);
    if (resolution->noLookupThread)
        return Result(SendOutcome::NoLookupThread);
    if (resolution->status != platform::LookupStatus::Resolved || addresses.empty())
        return Result(LookupFailure(resolution->status));
    SendResult result = Result(sockets.SendToFirst(payload, addresses));
    if (resolution->failedLookup)
        result.failedLookup = LookupFailure(*resolution->failedLookup);
    if (resolution->newAddress)
        result.newAddress = addresses.front();
    return result;
}
} // namespace osc
