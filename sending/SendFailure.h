// Why a message did not go out, in the words the host log uses, and the fixed-size report the
// send scheduler hands back to the instance.
#pragma once

#include "sending/OscSender.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The three messages of a sequence, in the order a job sends them; also their index in the
// per-message arrays.
enum MessageKind : std::uint8_t
{
    kTransition,
    kNextClip,
    kFreeText,
};
inline constexpr std::size_t kMessageKinds = 3;
inline constexpr std::array<MessageKind, kMessageKinds> kAllMessages = {kTransition, kNextClip,
                                                                        kFreeText};

enum class SendFailure : std::uint8_t
{
    NotAMessage,
    EmptyHost,
    NotResolved,
    NoNameServer,
    NoSocket,
    NotSentWhole,
    SocketLibrary,
    TooLong,
    TooManySends,
    NoThread,
    NoMemory,
    Unexpected,
};

// "transition duration", "next clip" or "OSC message".
const char* MessageName(MessageKind message);
// For example "the name does not resolve".
const char* Describe(SendFailure failure);
// The failure a send outcome stands for; nothing for a datagram that went out.
std::optional<SendFailure> FailureOf(osc::SendOutcome outcome);

// "host:port", or "[host]:port" for an IPv6 address; cut to fit. Allocates nothing.
using DestinationText = std::array<char, 96>;
DestinationText FormatDestination(std::string_view host, std::int32_t port);

// What a report says of its message.
enum class Reported : std::uint8_t
{
    NotSent,         // the failure is why
    LastGoodAddress, // sent: its name's lookup failed, and its last good address served
    SentLate,        // sent when its name's lookup ended, after its deadline
    NewAddress,      // sent: its name's lookup found another address than before (`address`)
};

// One message of one schedule that did not go out, or went out otherwise than asked. Plain data,
// so that the scheduler can hand it back without allocating.
struct SendFailureReport
{
    std::uint32_t dispatch = 0;
    MessageKind message = kTransition;
    SendFailure failure = SendFailure::Unexpected;
    DestinationText destination{};
    Reported what = Reported::NotSent;
    platform::AddressText address{}; // NewAddress: the address it went to
};

// "VendrolixOSC: next clip not sent to studio-pc:7000: the name does not resolve"; for a last
// good address "VendrolixOSC: next clip goes to the last good address of studio-pc:7000: the
// name server did not answer"; for a late one "VendrolixOSC: next clip sent late to
// studio-pc:7000: its name was still being looked up at its deadline"; for a new address
// "VendrolixOSC: next clip goes to studio-pc:7000 at its new address 192.168.1.21".
std::string FailureLine(const SendFailureReport& report);
