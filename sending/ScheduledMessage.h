// One message waiting for its deadline in the send queue: everything the scheduler needs to send
// it, copied in by the render thread into room of a fixed size, so that a hand-over allocates
// nothing.
#pragma once

#include "sending/SendFailure.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>

class SendChannel;

struct ScheduledMessage
{
    // A longer host or message fails when it is scheduled, with its log line: no name or
    // address is longer, and an OSC message longer than this is no cue.
    static constexpr std::size_t kHostRoom = 256;
    static constexpr std::size_t kPayloadRoom = 4096;

    // The instance's: who owns the message, and where its failure goes. Copying it only counts
    // a reference.
    std::shared_ptr<SendChannel> channel;
    std::uint32_t dispatch = 0; // the instance's numbering, so a late failure marks only it
    MessageKind kind = kTransition;
    std::int64_t deadlineUs = 0; // on the steady clock
    std::int32_t port = 0;
    std::size_t hostLength = 0;
    std::array<char, kHostRoom> host; // the first hostLength bytes hold the name
    std::size_t payloadLength = 0;
    std::array<std::uint8_t, kPayloadRoom> payload; // the first payloadLength bytes are sent

    ScheduledMessage() = default;
    // Copy only the bytes in use: a message is copied on the render thread, and its room is
    // mostly empty. A move takes the channel along, so that the place moved from holds the
    // instance's channel no longer.
    ScheduledMessage(const ScheduledMessage& other) { *this = other; }
    ScheduledMessage(ScheduledMessage&& other) noexcept { *this = std::move(other); }
    ScheduledMessage& operator=(const ScheduledMessage& other)
    {
        channel = other.channel;
        CopyInUse(other);
        return *this;
    }
    ScheduledMessage& operator=(ScheduledMessage&& other) noexcept
    {
        channel = std::move(other.channel);
        CopyInUse(other);
        return *this;
    }

    std::string_view Host() const { return std::string_view(host.data(), hostLength); }
    // What the instance hears of this message: a failure, or a send otherwise than asked.
    SendFailureReport FailureReport(SendFailure failure, Reported what = Reported::NotSent) const
    {
        return SendFailureReport{dispatch, kind, failure, FormatDestination(Host(), port), what};
    }

private:
    void CopyInUse(const ScheduledMessage& other) noexcept
    {
        dispatch = other.dispatch;
        kind = other.kind;
        deadlineUs = other.deadlineUs;
        port = other.port;
        hostLength = other.hostLength;
        std::copy_n(other.host.begin(), hostLength, host.begin());
        payloadLength = other.payloadLength;
        std::copy_n(other.payload.begin(), payloadLength, payload.begin());
    }
};

// Which of an instance's messages, by MessageKind.
using MessageSet = std::array<bool, kMessageKinds>;
