// Clip starts, the per-frame countdown and the pass-through draw.
#include "controller/VendrolixPro.h"

#include "platform/Milliseconds.h"
#include "ffgl/DisplayNumber.h"
#include "ffgl/HostLog.h"
#include "glutil/PassThrough.h"
#include "platform/SteadyClock.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
constexpr float kFastestBpm = 999.0f;

// Taken up to the next whole tenth of a second.
std::int32_t TenthsRemaining(std::int32_t remainingMs)
{
    return remainingMs <= 0 ? 0 : static_cast<std::int32_t>((std::int64_t{remainingMs} + 99) / 100);
}
} // namespace

std::string FormatRemaining(std::int32_t remainingMs, char unit)
{
    char text[64];
    ffgl::FormatDecimal(text, sizeof text - 1, TenthsRemaining(remainingMs) / 10.0, 1);
    return std::string(text) + unit;
}

std::uint32_t VendrolixPro::SetTime(double time)
{
    const std::int64_t now = platform::SteadyClockUs();
    std::optional<PlaybackTracker::Start> start;
    {
        const std::lock_guard lock(timingLock);
        start = playback.OnHostTime(time, now);
    }
    if (start)
        OnPlaybackStart(*start);
    return ffgl::kSuccess;
}

void VendrolixPro::OnPlaybackStart(const PlaybackTracker::Start& start)
{
    if (start.newPass)
        OnClipStart(start.hostTime, start.anchorUs, start.holdUntilUs);
    else
        RedateClipStart(start.anchorUs, start.holdUntilUs);
}

void VendrolixPro::RedateClipStart(std::int64_t startUs, std::int64_t holdUntilUs)
{
    const std::int64_t was = clipStartUs.load();
    if (!sequenceActive.load() || (startUs == was && holdUntilUs == holdUntil.load()))
        return;
    {
        const std::lock_guard lock(timingLock);
        beatClock.StartEarlier(was - startUs);
    }
    clipStartUs.store(startUs);
    holdUntil.store(holdUntilUs);
    MoveWaiting();
    PrefetchHost(); // the cues' moments moved with it
}

void VendrolixPro::OnClipStart(double time, std::int64_t startUs, std::int64_t holdUntilUs)
{
    // What the pass before had not sent by now it never will: its delay is longer than the pass.
    MessageSet calledOff{};
    const MessageSet enabled = Enabled();
    for (const MessageKind kind : kAllMessages)
        calledOff[kind] = enabled[kind] && messages[kind].stage.load() == Stage::Pending;
    const MessageSet removed = CancelWaiting(); // this start's deadlines replace theirs
    for (const MessageKind kind : kAllMessages)
        calledOff[kind] = calledOff[kind] || removed[kind];
    if (sequenceActive.load())
        TellCalledOff(calledOff);
    {
        const std::lock_guard lock(timingLock);
        beatClock.Start(startUs);
    }
    clipStartUs.store(startUs);
    holdUntil.store(holdUntilUs);
    sequenceActive.store(true);
    for (MessageState& message : messages)
        message.stage.store(Stage::Pending);
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
    std::optional<PlaybackTracker::Start> frameStart;
    std::int64_t lookAheadUs = 0;
    BeatClock beats; // this frame's copy, for the moments and the countdown
    {
        const std::lock_guard lock(timingLock);
        frameStart = playback.OnFrame(now);
        frameIntervals.Add(now);
        lookAheadUs = frameIntervals.LookAheadUs();
        beats = beatClock;
    }
    if (frameStart)
    {
        OnPlaybackStart(*frameStart);
        const std::lock_guard lock(timingLock);
        beats = beatClock;
    }

    double elapsedSeconds = 0.0;
    const std::int64_t start = clipStartUs.load();
    const bool active = sequenceActive.load();
    if (active && start > 0)
        elapsedSeconds = static_cast<double>(now - start) / 1e6;
    if (sequenceActive.load())
        DispatchCommands(elapsedSeconds, false, lookAheadUs, beats);
    Progress progress{SecondsToWholeMs(elapsedSeconds), std::nullopt};
    if (delaysInBeats.load() != 0)
        progress.beats = active ? beats.BeatsAt(now) : 0.0;
    WriteCountdownStatus(progress);

    if (frame)
        ffglex::DrawPassThrough(shader, quad, *frame);
    return ffgl::kSuccess;
}

void VendrolixPro::SetBeatInfo(float bpm, float phase)
{
    const bool good = std::isfinite(bpm) && bpm > 0.0f && bpm <= kFastestBpm;
    const std::int64_t now = platform::SteadyClockUs();
    bool changed = false;
    bool tell = false;
    double kept = 0.0;
    {
        const std::lock_guard lock(timingLock);
        changed = good && beatClock.SetTempo(static_cast<double>(bpm), now);
        tell = !good && !tempoRefused;
        tempoRefused = !good;
        kept = beatClock.Bpm();
    }
    CFFGLPlugin::SetBeatInfo(static_cast<float>(kept), phase);
    if (changed && delaysInBeats.load() != 0 && sequenceActive.load())
    {
        MoveWaiting(); // what waits goes at the moment the new tempo gives
        PrefetchHost();
    }
    if (tell)
        TellTempoRefused(bpm, kept);
}

void VendrolixPro::TellCalledOff(const MessageSet& calledOff)
{
    const std::array<std::int32_t, kMessageKinds> delays = {delayMs.load(), nextClipDelayMs.load(),
                                                            messageDelayMs.load()};
    const char unit = delaysInBeats.load() != 0 ? 'b' : 's';
    for (const MessageKind kind : kAllMessages)
        if (calledOff[kind] && !calledOffTold[kind].exchange(true))
            ffgl::SendHostLog((std::string("VendrolixOSC: ") + MessageName(kind) +
                               " called off: the clip began again before its delay (" +
                               FormatRemaining(delays[kind], unit) +
                               ") was over; so it goes in no pass shorter than that")
                                  .c_str());
}

void VendrolixPro::TellTempoRefused(float bpm, double keptBpm)
{
    char given[32] = "not a number";
    if (!std::isnan(bpm))
        ffgl::FormatDecimal(given, sizeof given, static_cast<double>(bpm), 1);
    char counting[32];
    ffgl::FormatDecimal(counting, sizeof counting, keptBpm, 1);
    ffgl::SendHostLog((std::string("VendrolixOSC: the host's tempo (") + given +
                       ") is not 0 to 999 BPM; delays in beats count at " + counting + " BPM")
                          .c_str());
}

// "T", "N" or "M" followed by "no", "ok", "err", "late" or the countdown in the unit's tenths ("s"
// seconds, "b" beats). A field holds the tenths it shows, so formatting from them is exact. At most
// 10 characters.
void VendrolixPro::AppendCountdownField(char* line, std::size_t& length, char letter,
                                        std::int32_t field, char unit)
{
    line[length++] = letter;
    const std::string text = field == kFieldOff      ? std::string("no")
                             : field == kFieldSent   ? std::string("ok")
                             : field == kFieldFailed ? std::string("err")
                             : field == kFieldLate   ? std::string("late")
                                                     : FormatRemaining(field * 100, unit);
    std::memcpy(line + length, text.data(), text.size());
    length += text.size();
}

VendrolixPro::CountdownKey VendrolixPro::MakeCountdownKey(const Progress& progress) const
{
    // The remaining time, or beats, taken up to the next tenth.
    auto remainingTenths = [&progress](std::int32_t delay)
    {
        if (progress.beats)
            return static_cast<std::int32_t>(
                std::clamp(std::ceil(delay / 100.0 - *progress.beats * 10.0 - 1e-9), 0.0, 1e7));
        // Bounded so that a start racing this frame cannot overflow the arithmetic.
        const std::int64_t remaining = std::min<std::int64_t>(
            std::int64_t{delay} - progress.elapsedMs, std::int64_t{1000000000});
        return TenthsRemaining(static_cast<std::int32_t>(remaining));
    };
    auto field = [&](bool enabled, MessageKind kind, std::int32_t delay)
    {
        if (!enabled)
            return kFieldOff;
        switch (messages[kind].stage.load())
        {
        case Stage::Failed:
            return kFieldFailed;
        case Stage::Late:
            return kFieldLate;
        case Stage::Scheduled:
            return kFieldSent;
        case Stage::Pending:
            break;
        }
        return remainingTenths(delay);
    };
    const MessageSet enabled = Enabled();
    return CountdownKey{field(enabled[kTransition], kTransition, delayMs.load()),
                        field(enabled[kNextClip], kNextClip, nextClipDelayMs.load()),
                        field(enabled[kFreeText], kFreeText, messageDelayMs.load()),
                        progress.beats.has_value()};
}

// Formats the line only when what it shows has changed; the serial and the event follow every
// frame all the same, so the host sees the same stream of changes.
void VendrolixPro::WriteCountdownStatus(const Progress& progress)
{
    const CountdownKey key = MakeCountdownKey(progress);
    bool unchanged = false;
    {
        const std::lock_guard lock(statusMutex);
        unchanged = countdownShown && shownCountdown == key;
    }
    if (!unchanged)
    {
        char line[64];
        std::size_t length = 0;
        const char unit = key.beats ? 'b' : 's';
        AppendCountdownField(line, length, 'T', key.transition, unit);
        line[length++] = '|';
        AppendCountdownField(line, length, 'N', key.nextClip, unit);
        line[length++] = '|';
        AppendCountdownField(line, length, 'M', key.message, unit);
        line[length] = '\0';

        const std::lock_guard lock(statusMutex);
        std::memcpy(statusText.data(), line, length + 1);
        shownCountdown = key;
        countdownShown = true;
    }
    statusSerial.fetch_add(1);
    RaiseParameterEvents(Status, ffgl::EventBit::ValueChanged);
}
