// What is due, its scheduling for its deadline, the failures the scheduler reports, and the
// "Test" event.
#include "controller/VendrolixPro.h"

#include "controller/LayerMessages.h"
#include "platform/Milliseconds.h"
#include "sending/SendScheduler.h"
#include "ffgl/HostLog.h"
#include "platform/SteadyClock.h"

#include <algorithm>
#include <cstring>

namespace
{
std::atomic<SendQueue*> installedQueue{nullptr};

bool Any(const MessageSet& flags)
{
    return std::any_of(flags.begin(), flags.end(), [](bool flag) { return flag; });
}

SendQueue& QueueInUse()
{
    SendQueue* const installed = installedQueue.load();
    return installed ? *installed : SendScheduler::Shared().Queue();
}

// A test's queue needs no thread; the scheduler's needs its own running.
bool QueueSends()
{
    return installedQueue.load() || SendScheduler::Shared().Running();
}
} // namespace

SendQueue* VendrolixPro::InstallSendQueue(SendQueue* queue)
{
    return installedQueue.exchange(queue);
}

void VendrolixPro::DispatchCommands(double elapsedSeconds, bool force, std::int64_t lookAheadUs,
                                    const BeatClock& beats)
{
    const std::int64_t startUs = clipStartUs.load();
    const std::int64_t nowUs = startUs + SecondsToWholeUs(elapsedSeconds);
    const Moments moments = MessageMoments(startUs, beats);
    // Decided from the atomics alone: a frame with nothing due copies nothing.
    const MessageSet enabled = Enabled();
    MessageSet due{};
    for (const MessageKind kind : kAllMessages)
        due[kind] = enabled[kind] && messages[kind].stage.load() == Stage::Pending &&
                    (force || moments[kind] <= nowUs + lookAheadUs);
    if (!Any(due))
        return;

    ShowDispatched(due);
    ScheduledMessage message;
    message.channel = sendChannel;
    const std::optional<SendFailure> unaddressed = Address(message);
    for (const MessageKind kind : kAllMessages)
        if (due[kind]) // a moment already passed (and "Test") goes at once
            Schedule(message, kind, force || moments[kind] <= nowUs ? nowUs : moments[kind], nowUs,
                     unaddressed);
}

void VendrolixPro::ShowDispatched(const MessageSet& due)
{
    const char status[] = {'S',
                           'E',
                           'N',
                           'D',
                           ' ',
                           due[kTransition] ? 'T' : '-',
                           due[kNextClip] ? 'N' : '-',
                           due[kFreeText] ? 'M' : '-'};
    WriteStatus(std::string_view(status, sizeof status));
}

std::optional<SendFailure> VendrolixPro::Address(ScheduledMessage& message)
{
    message.port = portNumber.load();
    const std::lock_guard lock(settingsMutex);
    message.hostLength = std::min(oscHost.size(), message.host.size());
    std::memcpy(message.host.data(), oscHost.data(), message.hostLength);
    if (oscHost.size() > message.host.size())
        return SendFailure::NotResolved; // no name or address is this long
    return std::nullopt;
}

void VendrolixPro::Schedule(ScheduledMessage& message, MessageKind kind, std::int64_t deadlineUs,
                            std::int64_t nowUs, std::optional<SendFailure> failure)
{
    message.kind = kind;
    message.deadlineUs = deadlineUs;
    message.dispatch = dispatchSerial.fetch_add(1) + 1;
    MessageState& state = messages[kind];
    state.dispatch.store(message.dispatch);
    state.stage.store(Stage::Scheduled); // scheduled: not yet delivered
    if (!failure)
        failure = Encode(message, kind);
    if (!failure && !QueueSends())
        failure = SendFailure::NoThread;
    everScheduled.store(true);
    if (!failure)
        failure = QueueInUse().Schedule(message, nowUs);
    if (failure)
        RecordFailure(message.FailureReport(*failure));
}

std::optional<SendFailure> VendrolixPro::Encode(ScheduledMessage& message, MessageKind kind)
{
    const std::span<std::uint8_t> room(message.payload);
    switch (kind)
    {
    case kTransition:
        message.payloadLength = EncodeTransitionMessage(
            room, layerNumber.load(),
            static_cast<float>(std::clamp(transitionDurationMs.load(), 0, 10000)) / 1000.0f);
        return std::nullopt;
    case kNextClip:
        message.payloadLength = EncodeNextClipMessage(room, layerNumber.load());
        return std::nullopt;
    case kFreeText:
        break;
    }
    const std::lock_guard lock(settingsMutex);
    if (freeTextPayload.empty())
        return SendFailure::NotAMessage;
    if (freeTextPayload.size() > room.size())
        return SendFailure::TooLong;
    std::memcpy(room.data(), freeTextPayload.data(), freeTextPayload.size());
    message.payloadLength = freeTextPayload.size();
    return std::nullopt;
}

void VendrolixPro::RecordFailure(const SendFailureReport& report)
{
    MarkStage(report);
    failureLog.Add(FailureLine(report));
}

void VendrolixPro::MarkStage(const SendFailureReport& report)
{
    // Only the latest schedule of a message still scheduled: a start or "Test" since then has
    // made it pending again, and its own outcome is still to come.
    MessageState& state = messages[report.message];
    Stage scheduled = Stage::Scheduled;
    const bool sent =
        report.what == Reported::LastGoodAddress || report.what == Reported::NewAddress;
    if (!sent && state.dispatch.load() == report.dispatch)
        state.stage.compare_exchange_strong(
            scheduled, report.what == Reported::SentLate ? Stage::Late : Stage::Failed);
}

void VendrolixPro::CollectSendFailures()
{
    if (sendChannel->HasReports())
    {
        SendChannel::Reports reports;
        std::size_t dropped = 0;
        SendChannel::Latest latest;
        const std::size_t count = sendChannel->TakeReports(reports, dropped, latest);
        for (std::size_t i = 0; i < count; ++i)
            RecordFailure(reports[i]);
        for (const std::optional<SendFailureReport>& outcome : latest)
            if (outcome) // marked even when its line did not fit
                MarkStage(*outcome);
        if (dropped > 0)
            ffgl::SendHostLog(("VendrolixOSC: " + std::to_string(dropped) +
                               " more messages not sent (too many failures to list)")
                                  .c_str());
    }
    failureLog.Flush();
}

MessageSet VendrolixPro::CancelWaiting()
{
    if (!everScheduled.load())
        return {}; // nothing can wait: the queue is not even made
    const MessageSet removed =
        QueueInUse().Cancel(*sendChannel, {true, true, true}, platform::SteadyClockUs());
    for (const MessageKind kind : kAllMessages)
        if (removed[kind])
            messages[kind].stage.store(Stage::Pending);
    return removed;
}

MessageSet VendrolixPro::Enabled() const
{
    return {layerTransitionEnabled.load() != 0, nextClipEnabled.load() != 0,
            messageTextPresent.load()};
}

void VendrolixPro::RunTest()
{
    ffgl::SendHostLog("VendrolixOSC: Test pressed");
    CollectSendFailures(); // earlier outcomes first, so they cannot mark this press
    CancelWaiting();       // what waits for its deadline goes now
    const MessageSet pressed = Enabled();
    for (const MessageKind kind : kAllMessages)
        if (pressed[kind])
            messages[kind].stage.store(Stage::Pending);
    {
        const std::lock_guard lock(timingLock);
        playback.OnTest();
    }
    sequenceActive.store(true);
    clipStartUs.store(platform::SteadyClockUs());
    DispatchCommands(0.0, true);
    sequenceActive.store(false);
}

VendrolixPro::Moments VendrolixPro::MessageMoments(std::int64_t startUs,
                                                   const BeatClock& beats) const
{
    const std::array<std::int32_t, kMessageKinds> delays = {delayMs.load(), nextClipDelayMs.load(),
                                                            messageDelayMs.load()};
    const std::int64_t held = holdUntil.load();
    Moments moments{};
    for (const MessageKind kind : kAllMessages)
    {
        // A delay of 16000 shows "16.0 beats".
        const std::int64_t moment = delaysInBeats.load() == 0
                                        ? startUs + std::int64_t{delays[kind]} * 1000
                                        : beats.MomentOf(delays[kind] / 1000.0);
        moments[kind] = std::max(moment, held);
    }
    return moments;
}

void VendrolixPro::MoveWaiting()
{
    if (!everScheduled.load())
        return;
    BeatClock beats;
    {
        const std::lock_guard lock(timingLock);
        beats = beatClock;
    }
    // The queue compares whole microseconds: a move of less than one leaves a message alone, and
    // against the moment it was scheduled for, so that a slow drift still adds up.
    QueueInUse().Move(*sendChannel, MessageMoments(clipStartUs.load(), beats),
                      platform::SteadyClockUs());
}

void VendrolixPro::PrefetchHost()
{
    if (!sending.load())
        return;
    NameNeeds::Moments cues{};
    if (sequenceActive.load())
    {
        BeatClock beats;
        {
            const std::lock_guard lock(timingLock);
            beats = beatClock;
        }
        const Moments moments = MessageMoments(clipStartUs.load(), beats);
        const MessageSet enabled = Enabled();
        for (const MessageKind kind : kAllMessages)
            if (enabled[kind])
                cues[kind] = moments[kind];
    }
    std::array<char, ScheduledMessage::kHostRoom> host{};
    std::size_t length = 0;
    {
        const std::lock_guard lock(settingsMutex);
        length = oscHost.size() <= host.size() ? oscHost.size() : 0; // no name is longer
        std::memcpy(host.data(), oscHost.data(), length);
    }
    SendScheduler::Shared().Needs().Set(sendChannel.get(), std::string_view(host.data(), length),
                                        portNumber.load(), cues);
}
