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

// The transition-duration message: layer address + "/transition/duration", "a" and the seconds.
osc::OscMessage TransitionMessage(const std::string& layerAddress, float durationSeconds);
// The next-clip message: layer address + "/connectnextclip" and the int 1.
osc::OscMessage NextClipMessage(const std::string& layerAddress);

// "/composition/selectedlayer" below layer 1, else "/composition/layers/" and the number.
std::string LayerAddress(std::int32_t layerNumber);

// What an "OSC Port" text that is no port stands for.
inline constexpr std::int32_t kDefaultOscPort = 7000;

// The port text's leading base-10 integer when it lies in 1..65535, else the fallback.
std::int32_t ParsePort(const std::string& text, std::int32_t fallback);
// Whether the text is a port as a user means it: digits only (spaces around them aside), 1 to
// 65535. Anything else is used as ParsePort reads it, and the user is told.
bool IsPlainPort(const std::string& text);
