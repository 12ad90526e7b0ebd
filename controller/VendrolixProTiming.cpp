// Clip starts, the per-frame countdown and the pass-through draw.
#include "controller/VendrolixPro.h"

#include "controller/Milliseconds.h"
#include "glutil/PassThrough.h"
#include "host/DisplayNumber.h"
#include "platform/SteadyClock.h"

#include <algorithm>
#include <cstring>

namespace
{
// Taken up to the next whole tenth of a second.
std::int32_t TenthsRemaining(std::int32_t remainingMs)
{
    return remainingMs <= 0 ? 0 : static_cast<std::int32_t>((std::int64_t{remainingMs} + 99) / 100);
}
} // namespace

std::string FormatRemaining(std::int32_t remainingMs)
{
    if (remainingMs <= 0)
        return "0.0s";
    char text[64];
    ffgl::FormatDecimal(text, sizeof text - 1, TenthsRemaining(remainingMs) / 10.0, 1);
    return std::string(text) + 's';
}

std::uint32_t VendrolixPro::SetTime(double time)
{
    const std::int64_t now = platform::SteadyClockUs();
    std::optional<ClipStartDetector::Start> start;
    {
        const std::lock_guard lock(timingMutex);
        start = clipStarts.OnHostTime(time, now);
    }
    if (start)
        OnClipStart(start->hostTime, start->anchorUs);
    return ffgl::kSuccess;
}

void VendrolixPro::OnClipStart(double time, std::int64_t startUs)
{
    clipStartUs.store(startUs);
    sequenceActive.store(true);
    for (const MessageKind message : kAllMessages)
    {
        SentFlag(message).store(false);
        FailedFlag(message).store(false);
    }
    threadStartFailures.store(0);
    PrefetchHost(); // the kept answer stays fresh ahead of this sequence's cues

    char line[128] = "started @ t=";
    const std::size_t prefix = std::strlen(line);
    ffgl::FormatDecimal(line + prefix, sizeof line - prefix, time, 3);
    WriteStatus(line);
    RaiseParameterEvents(Duration, ffgl::EventBit::ValueChanged);
}

std::uint32_t VendrolixPro::ProcessOpenGL(const ffgl::FrameDataRecord* frame)
{
    CollectSendFailures();
    const std::int64_t now = platform::SteadyClockUs();
    std::optional<ClipStartDetector::Start> gapStart;
    {
        const std::lock_guard lock(timingMutex);
        gapStart = clipStarts.OnFrame(now);
    }
    if (gapStart)
        OnClipStart(gapStart->hostTime, gapStart->anchorUs);

    double elapsedSeconds = 0.0;
    const std::int64_t start = clipStartUs.load();
    if (sequenceActive.load() && start > 0)
        elapsedSeconds = static_cast<double>(now - start) / 1e6;
    if (sequenceActive.load())
        DispatchCommands(elapsedSeconds, false);
    WriteCountdownStatus(SecondsToWholeMs(elapsedSeconds));

    if (frame)
        ffglex::DrawPassThrough(shader, quad, *frame);
    return ffgl::kSuccess;
}

// "T", "N" or "M" followed by "no", "ok" or the countdown. A field holds the tenths it shows,
// so formatting from them is exact. At most 8 characters.
void VendrolixPro::AppendCountdownField(char* line, std::size_t& length, char letter,
                                        std::int32_t field)
{
    line[length++] = letter;
    const std::string text = field == kFieldOff      ? std::string("no")
                             : field == kFieldSent   ? std::string("ok")
                             : field == kFieldFailed ? std::string("err")
                                                     : FormatRemaining(field * 100);
    std::memcpy(line + length, text.data(), text.size());
    length += text.size();
}

VendrolixPro::CountdownKey VendrolixPro::MakeCountdownKey(std::int32_t elapsedMs) const
{
    auto field = [elapsedMs](bool enabled, bool sent, bool failed, std::int32_t delay)
    {
        if (!enabled)
            return kFieldOff;
        if (sent && failed)
            return kFieldFailed;
        // Bounded so that a start racing this frame cannot overflow the arithmetic.
        const std::int64_t remaining =
            std::min<std::int64_t>(std::int64_t{delay} - elapsedMs, std::int64_t{1000000000});
        return sent ? kFieldSent : TenthsRemaining(static_cast<std::int32_t>(remaining));
    };
    return CountdownKey{field(layerTransitionEnabled.load() != 0, durationSent.load(),
                              durationFailed.load(), delayMs.load()),
                        field(nextClipEnabled.load() != 0, nextClipSent.load(),
                              nextClipFailed.load(), nextClipDelayMs.load()),
                        field(messageTextPresent.load(), messageSent.load(), messageFailed.load(),
                              messageDelayMs.load())};
}

// Formats the line only when what it shows has changed; the serial and the event follow every
// frame all the same, so the host sees the same stream of changes.
void VendrolixPro::WriteCountdownStatus(std::int32_t elapsedMs)
{
    const CountdownKey key = MakeCountdownKey(elapsedMs);
    bool unchanged = false;
    {
        const std::lock_guard lock(statusMutex);
        unchanged = countdownShown && shownCountdown == key;
    }
    if (!unchanged)
    {
        char line[64];
        std::size_t length = 0;
        AppendCountdownField(line, length, 'T', key.transition);
        line[length++] = '|';
        AppendCountdownField(line, length, 'N', key.nextClip);
        line[length++] = '|';
        AppendCountdownField(line, length, 'M', key.message);
        line[length] = '\0';

        const std::lock_guard lock(statusMutex);
        std::memcpy(statusText.data(), line, length + 1);
        shownCountdown = key;
        countdownShown = true;
    }
    statusSerial.fetch_add(1);
    RaiseParameterEvents(Status, ffgl::EventBit::ValueChanged);
}
