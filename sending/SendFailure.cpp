#include "sending/SendFailure.h"

#include <algorithm>
#include <cstdio>

const char* MessageName(MessageKind message)
{
    switch (message)
    {
    case kTransition:
        return "transition duration";
    case kNextClip:
        return "next clip";
    case kFreeText:
        break;
    }
    return "OSC message";
}

const char* Describe(SendFailure failure)
{
    switch (failure)
    {
    case SendFailure::NotAMessage:
        return "the text is not an OSC message";
    case SendFailure::EmptyHost:
        return "\"OSC Host\" is empty";
    case SendFailure::NotResolved:
        return "the name does not resolve";
    case SendFailure::NoNameServer:
        return "the name server did not answer";
    case SendFailure::NoSocket:
        return "no socket can be opened";
    case SendFailure::NotSentWhole:
        return "the datagram is not sent whole";
    case SendFailure::SocketLibrary:
        return "the socket library does not start";
    case SendFailure::TooLong:
        return "the message is longer than 4096 bytes";
    case SendFailure::TooManySends:
        return "too many messages are waiting";
    case SendFailure::NoThread:
        return "no scheduler or lookup thread can be started";
    case SendFailure::NoMemory:
        return "out of memory";
    case SendFailure::Unexpected:
        break;
    }
    return "an unexpected error";
}

std::optional<SendFailure> FailureOf(osc::SendOutcome outcome)
{
    switch (outcome)
    {
    case osc::SendOutcome::Sent:
        return std::nullopt;
    case osc::SendOutcome::EmptyHost:
        return SendFailure::EmptyHost;
    case osc::SendOutcome::BadPort:
        return SendFailure::Unexpected;
    case osc::SendOutcome::BadAddress:
        return SendFailure::NotAMessage;
    case osc::SendOutcome::StartUpFailed:
        return SendFailure::SocketLibrary;
    case osc::SendOutcome::NotResolved:
        return SendFailure::NotResolved;
    case osc::SendOutcome::NotAnswered:
    case osc::SendOutcome::NotResolvedYet:
        return SendFailure::NoNameServer;
    case osc::SendOutcome::NoSocket:
        return SendFailure::NoSocket;
    case osc::SendOutcome::NoLookupThread:
        return SendFailure::NoThread;
    case osc::SendOutcome::NotSentWhole:
        break;
    }
    return SendFailure::NotSentWhole;
}

DestinationText FormatDestination(std::string_view host, std::int32_t port)
{
    DestinationText text{};
    const bool ipv6 = host.find(':') != std::string_view::npos;
    std::snprintf(text.data(), text.size(), ipv6 ? "[%.*s]:%d" : "%.*s:%d",
                  static_cast<int>(host.size()), host.data(), static_cast<int>(port));
    return text;
}

std::string FailureLine(const SendFailureReport& report)
{
    const std::string start = std::string("VendrolixOSC: ") + MessageName(report.message);
    switch (report.what)
    {
    case Reported::LastGoodAddress:
        return start + " goes to the last good address of " + report.destination.data() + ": " +
               Describe(report.failure);
    case Reported::SentLate:
        return start + " sent late to " + report.destination.data() +
               ": its name was still being looked up at its deadline";
    case Reported::NewAddress:
        return start + " goes to " + report.destination.data() + " at its new address " +
               report.address.data();
    case Reported::NotSent:
        break;
    }
    return start + " not sent to " + report.destination.data() + ": " + Describe(report.failure);
}
