// What is due, the hand-off to sender threads, the failures they report, and the "Test" event.
#include "controller/VendrolixPro.h"

#include "controller/LayerMessages.h"
#include "controller/Milliseconds.h"
#include "controller/PortText.h"
#include "controller/SenderThread.h"
#include "controller/osc/NameCache.h"
#include "controller/osc/OscTextMessage.h"
#include "ffgl/HostLog.h"
#include "platform/SteadyClock.h"

#include <algorithm>
#include <limits>
#include <new>
#include <utility>

namespace
{
// Frames of a timed sequence that try again to start a sender thread before its messages fail.
constexpr int kThreadStartAttempts = 3;

bool Any(const std::array<bool, kMessageKinds>& flags)
{
    return std::any_of(flags.begin(), flags.end(), [](bool flag) { return flag; });
}
} // namespace

std::atomic<bool>& VendrolixPro::SentFlag(MessageKind message)
{
    return message == kTransition ? durationSent
           : message == kNextClip ? nextClipSent
                                  : messageSent;
}

std::atomic<bool>& VendrolixPro::FailedFlag(MessageKind message)
{
    return message == kTransition ? durationFailed
           : message == kNextClip ? nextClipFailed
                                  : messageFailed;
}

void VendrolixPro::DispatchCommands(double elapsedSeconds, bool force, std::int64_t lookAheadUs,
                                    const BeatClock& beats)
{
    const std::int64_t startUs = clipStartUs.load();
    const std::int64_t nowUs = startUs + SecondsToWholeUs(elapsedSeconds);
    const Moments moments = MessageMoments(startUs, beats);
    const auto dueBy = [&](MessageKind kind)
    { return force || moments[kind] <= nowUs + lookAheadUs; };
    // Decide first from the atomics: a frame with nothing due copies no text.
    DueMessages due = {
        layerTransitionEnabled.load() != 0 && !durationSent.load() && dueBy(kTransition),
        nextClipEnabled.load() != 0 && !nextClipSent.load() && dueBy(kNextClip),
        messageTextPresent.load() && !messageSent.load() && dueBy(kFreeText),
    };
    if (!Any(due))
        return;

    SendJob job;
    std::string portText;
    std::string messageText;
    {
        const std::lock_guard lock(settingsMutex);
        job.host = oscHost;
        portText = oscPort;
        if (due[kFreeText])
            messageText = oscMessageText;
    }
    due[kFreeText] = due[kFreeText] && !messageText.empty();
    if (!Any(due))
        return;
    job.port = ParsePort(portText, kDefaultOscPort);
    // Due within the look-ahead: the sender waits for the moment itself.
    for (const MessageKind kind : kAllMessages)
    {
        job.deadlineUs[kind] = !force && moments[kind] > nowUs ? moments[kind] : 0;
        if (due[kind])
            handedMomentUs[kind].store(job.deadlineUs[kind]);
    }
    MarkDispatched(due);
    HandOver(std::move(job), due, std::move(messageText), force);
}

void VendrolixPro::MarkDispatched(const DueMessages& due)
{
    // Marked before the thread starts: handed to a sender, not yet delivered.
    for (const MessageKind kind : kAllMessages)
        if (due[kind])
            SentFlag(kind).store(true);
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

void VendrolixPro::HandOver(SendJob job, DueMessages due, std::string messageText, bool force)
{
    job.dispatch = dispatchSerial.fetch_add(1) + 1;
    for (const MessageKind kind : kAllMessages)
        if (due[kind])
            lastDispatch[kind].store(job.dispatch);
    Failures failed = BuildMessages(job, due, std::move(messageText));

    DueMessages inJob{};
    for (const MessageKind kind : kAllMessages)
        inJob[kind] = job.messages[kind].has_value();
    const DestinationText destination = FormatDestination(job.host, job.port);
    const std::uint32_t dispatch = job.dispatch;
    if (Any(inJob))
        if (const std::optional<SendFailure> failure = Start(std::move(job), inJob, force))
            for (const MessageKind kind : kAllMessages)
                if (inJob[kind])
                    failed[kind] = failure;
    for (const MessageKind kind : kAllMessages)
        if (failed[kind])
            RecordFailure(SendFailureReport{dispatch, kind, *failed[kind], destination});
}

VendrolixPro::Failures VendrolixPro::BuildMessages(SendJob& job, const DueMessages& due,
                                                   std::string messageText) const
{
    Failures failed{};
    try
    {
        const std::string layer = LayerAddress(layerNumber.load());
        const float seconds =
            static_cast<float>(std::clamp(transitionDurationMs.load(), 0, 10000)) / 1000.0f;
        if (due[kTransition])
            job.messages[kTransition] = TransitionMessage(layer, seconds);
        if (due[kNextClip])
            job.messages[kNextClip] = NextClipMessage(layer);
        if (due[kFreeText])
        {
            job.messages[kFreeText] = osc::ParseOscText(std::move(messageText));
            if (!job.messages[kFreeText])
                failed[kFreeText] = SendFailure::NotAMessage;
        }
    }
    catch (const std::bad_alloc&)
    {
        for (const MessageKind kind : kAllMessages)
            if (due[kind] && !job.messages[kind] && !failed[kind])
                failed[kind] = SendFailure::NoMemory;
    }
    return failed;
}

std::optional<SendFailure> VendrolixPro::Start(SendJob job, const DueMessages& inJob, bool force)
{
    SenderSlot slot = sendChannel->TakeSlot();
    if (!slot)
        return SendFailure::TooManySends;
    try
    {
        std::int64_t first = std::numeric_limits<std::int64_t>::max();
        bool waits = false; // for a moment still ahead
        for (const MessageKind kind : kAllMessages)
            if (inJob[kind])
            {
                first = std::min(first, job.deadlineUs[kind]);
                waits = waits || job.deadlineUs[kind] != 0;
            }
        job.wait = std::make_shared<SendWait>(std::move(slot), first);
        std::shared_ptr<SendWait> wait = waits ? job.wait : nullptr;
        StartSenderThread(std::move(job));
        threadStartFailures.store(0);
        if (wait)
            KeepWaiting(std::move(wait));
        return std::nullopt;
    }
    catch (...)
    {
        // The job, and with it the slot, is gone: nothing was sent.
        if (force || threadStartFailures.fetch_add(1) + 1 >= kThreadStartAttempts)
            return SendFailure::NoThread;
        for (const MessageKind kind : kAllMessages)
            if (inJob[kind])
                SentFlag(kind).store(false);
        return std::nullopt;
    }
}

void VendrolixPro::RecordFailure(const SendFailureReport& report)
{
    // Only the latest dispatch of a message that is still marked sent: a start or "Test" since
    // then has cleared it, and its own outcome is still to come.
    if (!report.lastGoodAddress && lastDispatch[report.message].load() == report.dispatch &&
        SentFlag(report.message).load())
        FailedFlag(report.message).store(true);
    failureLog.Add(FailureLine(report));
}

void VendrolixPro::CollectSendFailures()
{
    if (sendChannel->HasReports())
    {
        SendChannel::Reports reports;
        std::size_t dropped = 0;
        const std::size_t count = sendChannel->TakeReports(reports, dropped);
        for (std::size_t i = 0; i < count; ++i)
            RecordFailure(reports[i]);
        if (dropped > 0)
            ffgl::SendHostLog(("VendrolixOSC: " + std::to_string(dropped) +
                               " more messages not sent (too many failures to list)")
                                  .c_str());
    }
    failureLog.Flush();
}

void VendrolixPro::RunTest()
{
    ffgl::SendHostLog("VendrolixOSC: Test pressed");
    CollectSendFailures(); // earlier outcomes first, so they cannot mark this press
    const bool transitionEnabled = layerTransitionEnabled.load() != 0;
    const bool nextEnabled = nextClipEnabled.load() != 0;
    bool messagePresent = false;
    {
        const std::lock_guard lock(settingsMutex);
        messagePresent = !oscMessageText.empty();
    }
    const DueMessages pressed = {transitionEnabled, nextEnabled, messagePresent};
    CallOffWaitingSends(platform::SteadyClockUs()); // what waits for its moment goes now
    for (const MessageKind kind : kAllMessages)
    {
        if (!pressed[kind])
            continue;
        SentFlag(kind).store(false);
        FailedFlag(kind).store(false);
    }

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
    Moments moments{};
    if (delaysInBeats.load() == 0)
    {
        for (const MessageKind kind : kAllMessages)
            moments[kind] = startUs + std::int64_t{delays[kind]} * 1000;
        return moments;
    }
    // A delay of 16000 shows "16.0 beats".
    for (const MessageKind kind : kAllMessages)
        moments[kind] = beats.MomentOf(delays[kind] / 1000.0);
    return moments;
}

void VendrolixPro::KeepWaiting(std::shared_ptr<SendWait> wait)
{
    const std::lock_guard lock(waitsMutex);
    // A wait held here alone belongs to a job that has ended.
    std::erase_if(waitingSends, [](const auto& kept) { return kept.use_count() == 1; });
    waitingSends.push_back(std::move(wait));
}

void VendrolixPro::CallOffWaitingSends(std::int64_t fromUs)
{
    const std::lock_guard lock(waitsMutex);
    for (const std::shared_ptr<SendWait>& wait : waitingSends)
        wait->CallOff(fromUs);
    waitingSends.clear();
}

void VendrolixPro::PrefetchHost()
{
    std::string host;
    std::string portText;
    {
        const std::lock_guard lock(settingsMutex);
        host = oscHost;
        portText = oscPort;
    }
    osc::PrefetchHost(host, ParsePort(portText, kDefaultOscPort));
}
