#include "sending/SendScheduler.h"

#include "sending/BackgroundThread.h"
#include "sending/SendChannel.h"
#include "sending/NameCache.h"
#include "platform/SteadyClock.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

namespace
{
// `late`: the message waited past its deadline for its name.
void Report(const ScheduledMessage& message, const osc::SendResult& result, bool late) noexcept
{
    if (result.failedLookup)
        if (const std::optional<SendFailure> lookup = FailureOf(*result.failedLookup))
            message.channel->Keep(message.FailureReport(*lookup, Reported::LastGoodAddress));
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
}

bool SendScheduler::Start()
{
    const std::lock_guard lock(startMutex);
    if (running.load())
        return true;
    running.store(StartBackgroundThread([this] { Run(); }));
    return running.load();
}

void SendScheduler::Prefetch(std::string_view host, std::int32_t port)
{
    if (host.empty() || host.size() > prefetchHost.size())
        return;
    {
        const std::lock_guard lock(prefetchMutex);
        std::copy(host.begin(), host.end(), prefetchHost.begin());
        prefetchLength = host.size();
        prefetchPort = port;
        prefetchWanted = true;
    }
    wait.Wake();
}

void SendScheduler::Run() noexcept
{
    platform::DeadlineWait::PrepareWaitingThread();
    ScheduledMessage message;
    for (;;)
    {
        PrefetchRequested();
        const std::int64_t nowUs = platform::SteadyClockUs();
        ++busy; // before the message leaves the queue, so that Idle never sees it nowhere
        const bool taken = queue.TakeDue(nowUs, message);
        if (taken)
            Deliver(message);
        --busy;
        if (!taken)
            WaitForNext(nowUs);
    }
}

void SendScheduler::WaitForNext(std::int64_t nowUs)
{
    const std::optional<std::int64_t> next = queue.NextDeadline();
    if (!next || platform::TestClockInstalled())
    {
        wait.WaitUntil(next);
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
        const std::span<const std::uint8_t> payload(message.payload.data(), message.payloadLength);
        const osc::SendResult result = osc::SendPayload(std::string(message.Host()), message.port,
                                                        payload, sockets, osc::ResolveHostNow);
        if (result.outcome == osc::SendOutcome::NotResolvedYet)
            SendLate(std::move(message));
        else
            Report(message, result, false);
    }
    catch (...)
    {
        message.channel->Keep(message.FailureReport(SendFailure::NoMemory));
    }
    message.channel.reset();
}

void SendScheduler::SendLate(ScheduledMessage message) noexcept
{
    int underWay = lookups.load();
    while (underWay < kLookupThreads && !lookups.compare_exchange_weak(underWay, underWay + 1))
    {
    }
    if (underWay >= kLookupThreads)
    {
        message.channel->Keep(message.FailureReport(SendFailure::TooManySends));
        return;
    }
    auto late = std::make_shared<ScheduledMessage>(std::move(message));
    const bool started = StartBackgroundThread(
        [this, late]() noexcept
        {
            osc::DatagramSender own;
            const std::span<const std::uint8_t> payload(late->payload.data(), late->payloadLength);
            Report(*late,
                   osc::SendPayload(std::string(late->Host()), late->port, payload, own,
                                    osc::ResolveHostWaiting),
                   true);
            lookups.fetch_sub(1);
        });
    if (started)
        return;
    lookups.fetch_sub(1);
    late->channel->Keep(late->FailureReport(SendFailure::NoThread));
}

void SendScheduler::PrefetchRequested()
{
    std::string host;
    std::int32_t port = 0;
    {
        const std::lock_guard lock(prefetchMutex);
        if (!std::exchange(prefetchWanted, false))
            return;
        host.assign(prefetchHost.data(), prefetchLength);
        port = prefetchPort;
    }
    osc::PrefetchHost(host, port);
}
