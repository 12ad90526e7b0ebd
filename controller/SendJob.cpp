#include "controller/SendJob.h"

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
            job.host, job.port, message.address, message.strings, message.ints, message.floats);
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
