// What one sender thread sends: a copy of everything it needs, nothing of the instance.
#pragma once

#include "controller/SendFailure.h"
#include "controller/SendWait.h"
#include "controller/osc/OscMessage.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct SendJob
{
    std::string host;
    std::int32_t port = 0;
    // By MessageKind; built before the thread starts, so the thread allocates as little as it
    // can.
    std::array<std::optional<osc::OscMessage>, kMessageKinds> messages;
    // When each message goes out, on the steady clock; a moment already passed (0): at once.
    std::array<std::int64_t, kMessageKinds> deadlineUs{};
    // Which dispatch of its instance this is, for the failures it reports.
    std::uint32_t dispatch = 0;
    // Its place among the live sender threads, the way back to the instance, and the wait the
    // instance can call off.
    std::shared_ptr<SendWait> wait;
};

// The body of a sender thread: each message at its moment, in the order of the moments and,
// where they are equal, transition duration, next clip, free text; each send completing before
// the next begins. Once the wait is called off nothing more goes out. Every message that does
// not go out otherwise is reported, and so is a failed lookup whose last good address stood
// in; nothing escapes. Blocking.
void RunSendJob(SendJob job) noexcept;
