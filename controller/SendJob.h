// What one sender thread sends: a copy of everything it needs, nothing of the instance.
#pragma once

#include "controller/SendChannel.h"
#include "controller/SendFailure.h"
#include "controller/osc/OscMessage.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

struct SendJob
{
    std::string host;
    std::int32_t port = 0;
    // By MessageKind, sent in that order; built before the thread starts, so the thread
    // allocates as little as it can.
    std::array<std::optional<osc::OscMessage>, kMessageKinds> messages;
    // Which dispatch of its instance this is, for the failures it reports.
    std::uint32_t dispatch = 0;
    // Its place among the live sender threads, and the way back to the instance.
    SenderSlot slot;
};

// The body of a sender thread: the messages in the order transition duration, next clip, free
// text, each send completing before the next begins. Every message that does not go out is
// reported through the job's slot, and so is a failed lookup whose last good address stood in;
// nothing escapes. Blocking.
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
