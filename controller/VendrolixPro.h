// The plug-in object the host creates for each use of the effect: its parameters, clip-start
// detection, the status countdown, and the hand-off of OSC messages to sender threads, each
// with the moment it is due.
//
// Threads: the host makes every call on its render thread, one call at a time; sender threads
// touch nothing of the instance but its SendChannel. The controller does not rely on the one
// thread all the same: numeric settings and timing fields are atomics, and the texts are
// guarded by settingsMutex (OSC host, port, message) and statusMutex (status line), each held
// only for one copy and never together; timingLock guards the playback tracker, the frame
// intervals and the beat clock for one step or copy of them, and waitsMutex the sends waiting
// for their moment.
#pragma once

#include "controller/BeatClock.h"
#include "controller/FailureLog.h"
#include "controller/FrameIntervals.h"
#include "controller/PlaybackTracker.h"
#include "controller/SendChannel.h"
#include "controller/SendJob.h"
#include "controller/SpinLock.h"
#include "ffgl/FFGLPlugin.h"
#include "glutil/ScreenQuad.h"
#include "glutil/ShaderProgram.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class VendrolixPro : public CFFGLPlugin
{
public:
    enum Parameter : std::uint32_t
    {
        LayerTrans = 0,
        Duration = 1,
        Delay = 2,
        NextClip = 3,
        DelayNextClip = 4,
        OscMsg = 5,
        MessageDelay = 6,
        Test = 7,
        Status = 8,
        Layer = 9,
        OscHost = 10,
        OscPort = 11,
        // Added after the first twelve, whose indices saved compositions rely on.
        DelaysInBeats = 12,
    };

    VendrolixPro();
    ~VendrolixPro() override;

    std::uint32_t InitGL(const ffgl::ViewportRecord* hostViewport) override;
    std::uint32_t DeInitGL() override;
    // Points into a buffer shared by all instances, valid until the next display call.
    const char* GetParameterDisplay(std::uint32_t index) override;
    std::uint32_t SetFloatParameter(std::uint32_t index, float value) override;
    std::uint32_t SetTextParameter(std::uint32_t index, const char* text) override;
    float GetFloatParameter(std::uint32_t index) override;
    // Points into a buffer shared by all instances, valid until the next text call.
    char* GetTextParameter(std::uint32_t index) override;
    std::uint32_t ProcessOpenGL(const ffgl::FrameDataRecord* frame) override;
    std::uint32_t SetTime(double time) override;
    // Tempos that are not a number, 0 or below, or above 999 BPM are refused: the last good one
    // stays, and the host log hears of it once until a good one comes.
    void SetBeatInfo(float bpm, float phase) override;

    // Hands whatever is due by `lookAheadUs` after the elapsed time (everything enabled and not
    // yet sent when forced, at once) to a new sender thread, which sends each message at its
    // moment, and marks it sent. `beats`: the sequence's beat clock, for delays in beats. Never
    // waits for the network. A message that cannot be handed over (not a message, too many
    // sends under way, no thread) is marked failed at once.
    void DispatchCommands(double elapsedSeconds, bool force, std::int64_t lookAheadUs = 0,
                          const BeatClock& beats = BeatClock());
    // Takes in the failures the sender threads reported: Status shows "err" for a message of
    // the current sequence, and the host log gets its line. Render thread; every frame.
    void CollectSendFailures();
    // The "Test" event: sends every enabled message at once and leaves the sequence stopped.
    void RunTest();

    // The descriptor's factory.
    static std::uint32_t Create(CFFGLPlugin** out);

private:
    // What a countdown line shows, field by field: kFieldOff ("no"), kFieldSent ("ok"), or the
    // remaining tenths of a second. Equal keys give equal lines.
    struct CountdownKey
    {
        std::int32_t transition = 0;
        std::int32_t nextClip = 0;
        std::int32_t message = 0;
        bool beats = false;
        bool operator==(const CountdownKey&) const = default;
    };
    // How far the sequence has come: milliseconds, and beats where the delays count beats.
    struct Progress
    {
        std::int32_t elapsedMs = 0;
        std::optional<double> beats;
    };
    using Moments = std::array<std::int64_t, kMessageKinds>;
    static constexpr std::int32_t kFieldFailed = -3;
    static constexpr std::int32_t kFieldOff = -2;
    static constexpr std::int32_t kFieldSent = -1;
    using DueMessages = std::array<bool, kMessageKinds>;
    using Failures = std::array<std::optional<SendFailure>, kMessageKinds>;

    // Begins a sequence whose delays count from `startUs` on the steady clock; `time` is the
    // host time shown in the status line.
    void OnClipStart(double time, std::int64_t startUs);
    std::atomic<bool>& SentFlag(MessageKind message);
    std::atomic<bool>& FailedFlag(MessageKind message);
    // Marks the due messages sent and shows them as "SEND ...".
    void MarkDispatched(const DueMessages& due);
    // Builds the job of a dispatch and starts its thread; what cannot go fails at once.
    void HandOver(SendJob job, DueMessages due, std::string messageText, bool force);
    // The job's messages, built before its thread starts; answers those that cannot be built.
    Failures BuildMessages(SendJob& job, const DueMessages& due, std::string messageText) const;
    // Starts the thread, or answers why not. A thread that cannot start is retried by the next
    // few frames of a timed sequence (its sent flags are cleared for that).
    std::optional<SendFailure> Start(SendJob job, const DueMessages& inJob, bool force);
    void RecordFailure(const SendFailureReport& report);
    // Looks "OSC Host" up ahead of the cues, in the background.
    void PrefetchHost();
    // Tells the user, through the host log, when a typed text will not do what it says.
    void CheckTypedText(std::uint32_t index, const std::string& text) const;
    void WriteStatus(std::string_view text);
    void WriteCountdownStatus(const Progress& progress);
    CountdownKey MakeCountdownKey(const Progress& progress) const;
    static void AppendCountdownField(char* line, std::size_t& length, char letter,
                                     std::int32_t field, char unit);
    // When each message is due in the sequence that started at `startUs`, on the steady clock.
    Moments MessageMoments(std::int64_t startUs, const BeatClock& beats) const;
    // Keeps a send that waits for its moment, so that a start, "Test" or the end of the
    // instance can call off what is not due yet.
    void KeepWaiting(std::shared_ptr<SendWait> wait);
    // Calls off what waits for a moment at or after `fromUs`; earlier moments still go.
    void CallOffWaitingSends(std::int64_t fromUs);
    // The tempo changed: what waits for a moment in beats goes again at the new moment.
    void RetimeWaitingSends(std::int64_t nowUs);
    static void TellTempoRefused(float bpm, double keptBpm);

    ffglex::ShaderProgram shader;
    ffglex::ScreenQuad quad;

    // What the constructor starts with and registers as the defaults. An instance the host
    // creates starts elsewhere: the registry keeps each default within 0 to 1 and the
    // instantiation copies those in, so a host's instance starts with the delays at 0 ms (1 ms,
    // kept to the nearest 100) and the duration at 1 s. Hosts and saved compositions rely on it.
    std::atomic<std::int32_t> delayMs{3000};
    std::atomic<std::int32_t> nextClipDelayMs{3000};
    std::atomic<std::int32_t> messageDelayMs{0};
    std::atomic<std::int32_t> transitionDurationMs{1500};
    std::atomic<std::int32_t> layerTransitionEnabled{1};
    std::atomic<std::int32_t> nextClipEnabled{0};
    std::atomic<std::int32_t> layerNumber{0};

    std::mutex settingsMutex;
    std::string oscHost{"127.0.0.1"};
    std::string oscPort{"7000"};
    std::string oscMessageText;
    // Mirrors whether oscMessageText is non-empty, so a frame decides without a text copy.
    std::atomic<bool> messageTextPresent{false};

    std::atomic<std::int32_t> statusSerial{0};
    std::mutex statusMutex;
    // Every status line fits: the longest is a "started @ t=" line cut at 127 characters.
    std::array<char, 128> statusText{};
    // The countdown that statusText holds, so an unchanged countdown is not formatted again;
    // cleared by every other status write. Guarded by statusMutex.
    CountdownKey shownCountdown;
    bool countdownShown = false;

    // Held only for one step of the tracker, the frame intervals or the beat clock, or a copy:
    // a few comparisons, no allocation; a spin lock, as it costs the frame nothing.
    SpinLock timingLock;
    PlaybackTracker playback;
    FrameIntervals frameIntervals;
    BeatClock beatClock;
    bool tempoRefused = false; // told the host log; cleared by a good tempo
    std::atomic<std::int32_t> delaysInBeats{0};
    std::mutex waitsMutex;
    std::vector<std::shared_ptr<SendWait>> waitingSends;
    std::atomic<std::int64_t> clipStartUs{0};
    std::atomic<bool> sequenceActive{false};
    std::atomic<bool> durationSent{false};
    std::atomic<bool> nextClipSent{false};
    std::atomic<bool> messageSent{false};

    // A send of the current sequence failed: shown as "err" until a start or "Test" clears it.
    std::atomic<bool> durationFailed{false};
    std::atomic<bool> nextClipFailed{false};
    std::atomic<bool> messageFailed{false};
    // Numbers each dispatch; per message, the dispatch that last sent it, so that a failure
    // reported late marks only the message it belongs to.
    std::atomic<std::uint32_t> dispatchSerial{0};
    // Per message, the moment it was last handed over for (0: at once).
    std::array<std::atomic<std::int64_t>, kMessageKinds> handedMomentUs{};
    std::array<std::atomic<std::uint32_t>, kMessageKinds> lastDispatch{};
    std::atomic<int> threadStartFailures{0};
    std::shared_ptr<SendChannel> sendChannel = std::make_shared<SendChannel>();
    FailureLog failureLog;
};

// The countdown of one message: "0.0s" when r <= 0, else r taken up to the next tenth of a
// second, as "%.1fs". In beats, r counts thousandths of a beat and the unit is "b".
std::string FormatRemaining(std::int32_t remainingMs, char unit = 's');
