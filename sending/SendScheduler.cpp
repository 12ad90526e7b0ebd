#include "sending/SendScheduler.h"

#include "platform/SteadyClock.h"
#include "platform/ThreadPriority.h"
#include "sending/BackgroundThread.h"
#include "sending/NameCache.h"
#include "sending/SendChannel.h"

#include <algorithm>
#include <string>

namespace
{
// A name that still needs a lookup is asked again this often (a lookup under way, or a failure
// that stands, holds it back meanwhile).
constexpr std::int64_t kLookupRetryUs = 1000000;

std::optional<std::int64_t> Earlier(std::optional<std::int64_t> a, std::optional<std::int64_t> b)
{
    if (!a || !b)
        return a ? a : b;
    return std::min(*a, *b);
}

// The message to its destination now, or NotResolvedYet while its name's first lookup runs.
osc::SendResult SendNow(const ScheduledMessage& message, osc::DatagramSender& sockets)
{
    const std::span<const std::uint8_t> payload(message.payload.data(), message.payloadLength);
    return osc::SendPayload(std::string(message.Host()), message.port, payload, sockets,
                            osc::ResolveHostNow);
}

// `late`: the message waited past its deadline for its name.
void Report(const ScheduledMessage& message, const osc::SendResult& result, bool late) noexcept
{
    if (result.failedLookup)
        if (const std::optional<SendFailure> lookup = FailureOf(*result.failedLookup))
            message.channel->Keep(message.FailureReport(*lookup, Reported::LastGoodAddress));
    if (result.newAddress)
    {
        SendFailureReport moved =
            message.FailureReport(SendFailure::Unexpected, Reported::NewAddress);
        moved.address = platform::NumericAddressText(*result.newAddress);
        message.channel->Keep(moved);
    }
    if (const std::optional<SendFailure> failure = FailureOf(result.outcome))
        message.channel->Keep(message.FailureReport(*failure));
    else if (late)
        message.channel->Keep(message.FailureReport(SendFailure::Unexpected, Reported::SentLate));
}
} // namespace

SendScheduler& SendScheduler::Shared()
{
    static SendScheduler* const scheduler = new SendScheduler();
    return *scheduler;
}

SendScheduler::SendScheduler()
{
    queue.SetWaiter(&wait);
    platform::SetClockMovedHandler([] { SendScheduler::Shared().wait.Wake(); });
    osc::SharedNameCache().SetAnsweredHandler(
        []
        {
            SendScheduler& scheduler = SendScheduler::Shared();
            scheduler.answers.fetch_add(1);
            scheduler.wait.Wake();
        });
}

bool SendScheduler::Start()
{
    const std::lock_guard lock(startMutex);
    if (running.load())
        return true;
    running.store(StartBackgroundThread("vdrx-send", [this] { Run(); }));
    return running.load();
}

void SendScheduler::Run() noexcept
{
    platform::ThreadPriority::PrepareTimingThread();
    ScheduledMessage message;
    for (;;)
    {
        SendAnswered();
        const std::int64_t nowUs = platform::SteadyClockUs();
        ++busy; // before the message leaves the queue, so that Idle never sees it nowhere
        const bool taken = queue.TakeDue(nowUs, message);
        if (taken)
            Deliver(message);
        --busy;
        if (taken)
            continue;
        LookUpAhead(nowUs);
        WaitForNext(nowUs);
    }
}

void SendScheduler::LookUpAhead(std::int64_t nowUs)
{
    const std::optional<std::size_t> copied = needs.CopyIfChanged(needsVersion, needsSeen);
    const std::uint64_t answered = answers.load();
    if (!copied && answered == answersSeen && !(nextLookupUs && nowUs >= *nextLookupUs))
        return;
    needsCount = copied.value_or(needsCount);
    answersSeen = answered;
    nextLookupUs.reset();
    try
    {
        for (std::size_t i = 0; i < needsCount; ++i)
        {
            const std::string host(needsSeen[i].Host());
            if (!osc::NeedsLookup(host))
                continue;
            const osc::Known known = osc::SharedNameCache().Know(host, needsSeen[i].port);
            const std::optional<std::int64_t> atUs = LookupMomentUs(needsSeen[i], known, nowUs);
            if (atUs && *atUs <= nowUs)
                osc::SharedNameCache().LookUpAhead(host, needsSeen[i].port, known);
            if (atUs)
                nextLookupUs = Earlier(nextLookupUs, std::max(*atUs, nowUs + kLookupRetryUs));
        }
    }
    catch (...)
    {
        nextLookupUs = nowUs + kLookupRetryUs; // out of memory: tried again later
    }
}

std::optional<std::int64_t> SendScheduler::LookupMomentUs(const NameNeeds::Need& need,
                                                          const osc::Known& known,
                                                          std::int64_t nowUs)
{
    if (!known.answered)
        return nowUs; // never asked: at once, as the user set it
    std::optional<std::int64_t> atUs;
    for (const std::optional<std::int64_t>& cueUs : need.momentsUs)
        if (cueUs && *cueUs > nowUs &&
            (!known.foundMs || *known.foundMs * 1000 < *cueUs - kFreshAtCueMs * 1000))
            atUs = Earlier(atUs, *cueUs - kLookupAheadMs * 1000);
    return atUs;
}

void SendScheduler::WaitForNext(std::int64_t nowUs)
{
    const std::optional<std::int64_t> next = queue.NextDeadline();
    if (!next || *next - nowUs > kRaisedLeadUs)
    {
        priority.Lower();
        wait.WaitUntil(Earlier(next ? std::optional(*next - kRaisedLeadUs) : next, nextLookupUs));
        return;
    }
    priority.Raise();
    if (platform::TestClockInstalled())
    {
        wait.WaitUntil(next); // only the test's wake ends it
        return;
    }
    const std::int64_t wakeUs = *next - margin.Us();
    if (wakeUs > nowUs)
    {
        wait.WaitUntil(wakeUs);
        const std::int64_t endedUs = platform::SteadyClockUs();
        if (endedUs >= wakeUs)
            margin.Woke(wakeUs, endedUs);
        return;
    }
    // Only the next deadline is spun for; an earlier one scheduled meanwhile is seen after it.
    while (platform::SteadyClockUs() < *next)
    {
    }
}

void SendScheduler::Deliver(ScheduledMessage& message) noexcept
{
    try
    {
        const osc::SendResult result = SendNow(message, sockets);
        if (result.outcome != osc::SendOutcome::NotResolvedYet)
            Report(message, result, false);
        else if (!waiters.Hold(message))
            message.channel->Keep(message.FailureReport(SendFailure::TooManySends));
    }
    catch (...)
    {
        message.channel->Keep(message.FailureReport(SendFailure::NoMemory));
    }
    message.channel.reset();
}

void SendScheduler::SendAnswered() noexcept
{
    const std::uint64_t answered = answers.load();
    if (waiters.Held() == 0 || answered == answersOffered)
        return;
    answersOffered = answered;
    waiters.Offer(
        [this](ScheduledMessage& message)
        {
            try
            {
                const osc::SendResult result = SendNow(message, sockets);
                if (result.outcome == osc::SendOutcome::NotResolvedYet)
                    return false;
                Report(message, result, true);
            }
            catch (...)
            {
                message.channel->Keep(message.FailureReport(SendFailure::NoMemory));
            }
            return true;
        });
}
