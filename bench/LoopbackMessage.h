// A next-clip message to 127.0.0.1, as the benchmarks hand the send queue directly.
#pragma once

#include "sending/ScheduledMessage.h"

#include <cstdint>
#include <cstring>
#include <memory>

namespace bench
{
inline ScheduledMessage LoopbackMessage(const std::shared_ptr<SendChannel>& channel,
                                        std::int32_t port, std::int64_t deadlineUs)
{
    ScheduledMessage message;
    message.channel = channel;
    message.kind = kNextClip;
    message.deadlineUs = deadlineUs;
    message.port = port;
    const char host[] = "127.0.0.1";
    std::memcpy(message.host.data(), host, sizeof host - 1);
    message.hostLength = sizeof host - 1;
    const std::uint8_t payload[] = {'/', 'b', 'e', 'n', 'c', 'h', 0, 0, ',', 'i', 0, 0, 0, 0, 0, 1};
    std::memcpy(message.payload.data(), payload, sizeof payload);
    message.payloadLength = sizeof payload;
    return message;
}
} // namespace bench
