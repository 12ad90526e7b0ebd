// What is due, the hand-off to sender threads, and the "Test" event.
#include "controller/VendrolixPro.h"

#include "controller/Milliseconds.h"
#include "controller/SendJob.h"
#include "controller/SenderThread.h"
#include "host/HostLog.h"
#include "platform/SteadyClock.h"

#include <algorithm>
#include <utility>

namespace
{
constexpr std::int32_t kDefaultPort = 7000;
} // namespace

void VendrolixPro::DispatchCommands(double elapsedSeconds, bool force)
{
    const std::int32_t elapsed = SecondsToWholeMs(elapsedSeconds);
    // Decide first from the atomics: a frame with nothing due copies no text.
    bool sendDuration = layerTransitionEnabled.load() != 0 && !durationSent.load() &&
                        (force || elapsed >= delayMs.load());
    bool sendNextClip = nextClipEnabled.load() != 0 && !nextClipSent.load() &&
                        (force || elapsed >= nextClipDelayMs.load());
    bool sendMessage = messageTextPresent.load() && !messageSent.load() &&
                       (force || elapsed >= messageDelayMs.load());
    if (!sendDuration && !sendNextClip && !sendMessage)
        return;

    SendJob job;
    std::string portText;
    {
        const std::lock_guard lock(settingsMutex);
        job.host = oscHost;
        portText = oscPort;
        if (sendMessage)
            job.messageText = oscMessageText;
    }
    sendMessage = sendMessage && !job.messageText.empty();
    if (!sendDuration && !sendNextClip && !sendMessage)
        return;
    job.port = ParsePort(portText, kDefaultPort);
    job.layerAddress = LayerAddress(layerNumber.load());
    job.durationSeconds =
        static_cast<float>(std::clamp(transitionDurationMs.load(), 0, 10000)) / 1000.0f;
    job.sendDuration = sendDuration;
    job.sendNextClip = sendNextClip;
    job.sendMessage = sendMessage;

    // Marked before the thread starts: handed to a sender, not yet delivered.
    if (sendDuration)
        durationSent.store(true);
    if (sendNextClip)
        nextClipSent.store(true);
    if (sendMessage)
        messageSent.store(true);
    const char status[] = {'S',
                           'E',
                           'N',
                           'D',
                           ' ',
                           sendDuration ? 'T' : '-',
                           sendNextClip ? 'N' : '-',
                           sendMessage ? 'M' : '-'};
    WriteStatus(std::string_view(status, sizeof status));

    try
    {
        StartSenderThread(std::move(job));
    }
    catch (...)
    {
        // No thread, nothing sent: the next frame of the sequence tries again.
        if (sendDuration)
            durationSent.store(false);
        if (sendNextClip)
            nextClipSent.store(false);
        if (sendMessage)
            messageSent.store(false);
    }
}

void VendrolixPro::RunTest()
{
    ffgl::SendHostLog("VendrolixOSC: Test pressed");
    const bool transitionEnabled = layerTransitionEnabled.load() != 0;
    const bool nextEnabled = nextClipEnabled.load() != 0;
    bool messagePresent = false;
    {
        const std::lock_guard lock(settingsMutex);
        messagePresent = !oscMessageText.empty();
    }
    if (transitionEnabled)
        durationSent.store(false);
    if (nextEnabled)
        nextClipSent.store(false);
    if (messagePresent)
        messageSent.store(false);

    sequenceActive.store(true);
    clipStartUs.store(platform::SteadyClockUs());
    DispatchCommands(0.0, true);
    sequenceActive.store(false);
}
