#include "controller/SendJob.h"

#include "controller/osc/NumberConversion.h"
#include "controller/osc/OscSender.h"

#include <algorithm>
#include <new>
#include <utility>

namespace
{
// Sends one message and reports through the job's slot what the host log must hear of it.
void Send(const SendJob& job, MessageKind kind) noexcept
{
    const auto report = [&](SendFailure failure, bool lastGoodAddress)
    {
        job.wait->Report(SendFailureReport{job.dispatch, kind, failure,
                                           FormatDestination(job.host, job.port), lastGoodAddress});
    };
    const osc::OscMessage& message = *job.messages[kind];
    try
    {
        const osc::SendResult result = osc::SendOscMessage(
            job.host, job.port, message.address, message.ints, message.floats, message.strings);
        if (result.failedLookup)
            if (const std::optional<SendFailure> lookup = FailureOf(*result.failedLookup))
                report(*lookup, true);
        if (const std::optional<SendFailure> failure = FailureOf(result.outcome))
            report(*failure, false);
    }
    catch (const std::bad_alloc&)
    {
        report(SendFailure::NoMemory, false);
    }
    catch (...)
    {
        report(SendFailure::Unexpected, false);
    }
}
} // namespace

void RunSendJob(SendJob job) noexcept
{
    std::array<MessageKind, kMessageKinds> order = kAllMessages;
    std::sort(order.begin(), order.end(),
              [&job](MessageKind a, MessageKind b)
              { return std::pair(job.deadlineUs[a], a) < std::pair(job.deadlineUs[b], b); });
    for (const MessageKind kind : order)
    {
        if (!job.messages[kind])
            continue;
        if (!job.wait->Until(job.deadlineUs[kind]))
            break;
        Send(job, kind);
    }
    job.wait->Finish();
}

osc::OscMessage TransitionMessage(const std::string& layerAddress, float durationSeconds)
{
    return osc::OscMessage{layerAddress + "/transition/duration", {"a"}, {}, {durationSeconds}};
}

osc::OscMessage NextClipMessage(const std::string& layerAddress)
{
    return osc::OscMessage{layerAddress + "/connectnextclip", {}, {1}, {}};
}

std::string LayerAddress(std::int32_t layerNumber)
{
    if (layerNumber < 1)
        return "/composition/selectedlayer";
    return "/composition/layers/" + std::to_string(layerNumber);
}

std::int32_t ParsePort(const std::string& text, std::int32_t fallback)
{
    const auto number = osc::ConvertInt32(text);
    if (!number || *number <= 0 || *number > 65535)
        return fallback;
    return *number;
}

bool IsPlainPort(const std::string& text)
{
    const auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
    const auto first = std::find_if_not(text.begin(), text.end(), isSpace);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), isSpace).base();
    const bool digitsOnly =
        first < last && std::all_of(first, last, [](char c) { return c >= '0' && c <= '9'; });
    return digitsOnly && ParsePort(text, 0) != 0;
}
