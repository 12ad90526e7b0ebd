// Clip-start detection, the per-frame countdown and the pass-through draw.
#include "controller/VendrolixPro.h"

#include "controller/Milliseconds.h"
#include "glutil/PassThrough.h"
#include "host/DisplayNumber.h"
#include "platform/SteadyClock.h"

#include <algorithm>
#include <cstring>

namespace
{
constexpr double kRestartToleranceSeconds = 0.05;
constexpr double kLateStartWindowSeconds = 2.0;
constexpr std::int64_t kFrameGapUs = 500000;
constexpr std::int64_t kGapSpacingUs = 1500000;

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
    const double old = lastHostTime.exchange(time);
    const bool inWindow = time <= kRestartToleranceSeconds;
    // Inside the window the clip started `time` before this call. The first call of a stay in
    // the window tells it best: on a clip paused on its first frame, later calls only see that
    // the time has not moved.
    const std::int64_t clipStartSeenUs =
        inWindow ? now - static_cast<std::int64_t>(std::max(0.0, time) * 1e6) : -1;
    if (!(old >= 0.0)) // none yet, or a negative or not-a-number time before: only prime
    {
        windowEntryUs.store(clipStartSeenUs);
        sequenceActive.store(false);
        durationSent.store(false);
        nextClipSent.store(false);
        messageSent.store(false);
        return ffgl::kSuccess;
    }
    // A clip's first frames all sit inside the window: only entering it, or going back inside
    // it, is a new start, so one clip start gives one sequence.
    const bool restarted = inWindow && (old > kRestartToleranceSeconds || time < old);
    if (restarted || !inWindow)
        windowEntryUs.store(clipStartSeenUs);
    const bool steppedBack = old > time + kRestartToleranceSeconds;
    const bool lateStart =
        !sequenceActive.load() && time >= 0.0 && time < kLateStartWindowSeconds && time >= old;
    if (restarted || steppedBack || lateStart)
    {
        // Inside the window the delays count from the clip's start. Above it the effect joined
        // a playing clip and gets its full countdown.
        const std::int64_t entry = windowEntryUs.load();
        OnClipStart(time, !inWindow ? now : entry >= 0 ? entry : clipStartSeenUs);
    }
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
    const std::int64_t previous = lastFrameUs.exchange(now);
    if (previous >= 0 && now - previous > kFrameGapUs)
    {
        const std::int64_t lastGapStart = lastGapStartUs.load();
        if (lastGapStart < 0 || now - lastGapStart > kGapSpacingUs)
        {
            lastGapStartUs.store(now);
            OnClipStart(std::max(0.0, lastHostTime.load()), now);
        }
    }

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
