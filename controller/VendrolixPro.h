// The plug-in object the host creates for each use of the effect: its parameters, clip-start
// detection, the status countdown, and the scheduling of OSC messages for their deadlines.
//
// Threads: the host makes every call on its render thread, one call at a time; the send
// scheduler's and lookup threads touch nothing of the instance but its SendChannel. The
// controller does not rely on the one thread all the same: numeric settings, timing fields and
// each message's state are atomics, and the texts are guarded by settingsMutex (OSC host, port,
// message) and statusMutex (status line), each held only for one copy and never together;
// timingLock guards the playback tracker, the frame intervals and the beat clock for one step or
// copy of them. A frame never allocates, starts a thread or waits on the network: it copies what
// is due into the send queue.
#pragma once

#include "playback/BeatClock.h"
#include "controller/FailureLog.h"
#include "playback/FrameIntervals.h"
#include "playback/PlaybackTracker.h"
#include "sending/ScheduledMessage.h"
#include "sending/SendChannel.h"
#include "sending/SendQueue.h"
#include "platform/SpinLock.h"
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

    // Begins sending (BeginSending) once the GL set-up has succeeded.
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

    // Schedules whatever is due by `lookAheadUs` after the elapsed time (everything enabled and
    // not yet scheduled when forced, at once) for its deadline, and marks it scheduled. `beats`:
    // the sequence's beat clock, for delays in beats. Never waits for the network and allocates
    // nothing. A message that cannot be scheduled (not a message, too many waiting, no
    // scheduler) is marked failed at once.
    void DispatchCommands(double elapsedSeconds, bool force, std::int64_t lookAheadUs = 0,
                          const BeatClock& beats = BeatClock());
    // Takes in the failures the scheduler reported: Status shows "err" for a message of the
    // current sequence, and the host log gets its line. Render thread; every frame.
    void CollectSendFailures();
    // The "Test" event: sends every enabled message at once and leaves the sequence stopped.
    void RunTest();
    // From now on the instance sends: the send scheduler's thread starts unless it runs, and the
    // name in "OSC Host" is looked up ahead of the cues. Called by the GL set-up (and by tests
    // without GL in its place), never inside a frame. An instance that never began, as the
    // prototype that answers a host's scan, starts no thread and looks no name up.
    void BeginSending();

    // The descriptor's factory.
    static std::uint32_t Create(CFFGLPlugin** out);

    // Tests only: every instance schedules into `queue` (null: the send scheduler's), and nothing
    // sends what waits there but the test. Answers the queue it replaces.
    static SendQueue* InstallSendQueue(SendQueue* queue);

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
    static constexpr std::int32_t kFieldLate = -4;
    static constexpr std::int32_t kFieldFailed = -3;
    static constexpr std::int32_t kFieldOff = -2;
    static constexpr std::int32_t kFieldSent = -1;

    // Where one message of the sequence stands.
    enum class Stage : std::uint8_t
    {
        Pending,   // not scheduled in this sequence
        Scheduled, // waiting in the send queue, or gone from it: sent, or on its way
        Failed,    // could not be scheduled, or its send failed
        Late,      // sent when its name's lookup ended, after its deadline
    };
    struct MessageState
    {
        std::atomic<Stage> stage{Stage::Pending};
        // The schedule that last took it, so that a failure reported late marks only that one.
        std::atomic<std::uint32_t> dispatch{0};
    };

    // A pass began, or its beginning was dated anew.
    void OnPlaybackStart(const PlaybackTracker::Start& start);
    // Begins a sequence whose delays count from `startUs` on the steady clock, none going
    // before `holdUntilUs`; `time` is the host time shown in the status line.
    void OnClipStart(double time, std::int64_t startUs, std::int64_t holdUntilUs = 0);
    // The sequence's start dated anew: what waits moves to its new moment.
    void RedateClipStart(std::int64_t startUs, std::int64_t holdUntilUs);
    // Shows the due messages as "SEND ...".
    void ShowDispatched(const MessageSet& due);
    // Copies one message into the queue for its deadline; what cannot go (`failure` already, or
    // found now) fails at once.
    void Schedule(ScheduledMessage& message, MessageKind kind, std::int64_t deadlineUs,
                  std::int64_t nowUs, std::optional<SendFailure> failure);
    // The message's bytes in `message`, or why it cannot go.
    std::optional<SendFailure> Encode(ScheduledMessage& message, MessageKind kind);
    // The destination in `message`: host and port, or why there is none (a host longer than a
    // name can be, kept cut).
    std::optional<SendFailure> Address(ScheduledMessage& message);
    void RecordFailure(const SendFailureReport& report);
    // Status shows the report's outcome for its message, if it is still the one scheduled.
    void MarkStage(const SendFailureReport& report);
    // Removes this instance's messages due later than now from the queue: those removed are
    // pending again, to be scheduled anew by the next frames where still due (with the settings
    // of then); one due by now is on its way and stays scheduled.
    MessageSet CancelWaiting();
    // A setting changed: what waits goes with it, and a message called off is told of again.
    void SettingChanged();
    // Gives this instance's waiting messages the moments the clip start and beat clock give them
    // now, in place; one whose moment moved by less than a microsecond stays as it is.
    void MoveWaiting();
    // The messages switched on: "OSC Msg" counts when it holds text.
    MessageSet Enabled() const;
    // Tells the send scheduler the name in "OSC Host" and the moments of this sequence's cues,
    // so that the name is looked up in time for them. Allocates nothing and wakes nobody: the
    // scheduler reads it within a second. Nothing before BeginSending.
    void PrefetchHost();
    // Tells the user, through the host log, when a typed text will not do what it says.
    void CheckTypedText(std::uint32_t index, const std::string& text) const;
    // The free message's bytes for what "OSC Msg" says; empty when it is no message.
    void EncodeFreeText(const std::string& text);
    void WriteStatus(std::string_view text);
    void WriteCountdownStatus(const Progress& progress);
    CountdownKey MakeCountdownKey(const Progress& progress) const;
    static void AppendCountdownField(char* line, std::size_t& length, char letter,
                                     std::int32_t field, char unit);
    // When each message is due in the sequence that started at `startUs`, on the steady clock.
    Moments MessageMoments(std::int64_t startUs, const BeatClock& beats) const;
    static void TellTempoRefused(float bpm, double keptBpm);
    // Tells the host log, once until a setting changes, of each message a new pass called off.
    void TellCalledOff(const MessageSet& calledOff);

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
    // The free message encoded when its text is set, so that a frame only copies it; empty when
    // the text is no OSC message. Guarded by settingsMutex.
    std::vector<std::uint8_t> freeTextPayload;
    // Mirrors whether oscMessageText is non-empty, so a frame decides without a text copy.
    std::atomic<bool> messageTextPresent{false};
    // The port oscPort stands for, read when it is set.
    std::atomic<std::int32_t> portNumber{7000};

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
    std::atomic<std::int64_t> clipStartUs{0};
    // No message of the sequence goes before this: a scrub that may go on.
    std::atomic<std::int64_t> holdUntil{0};
    std::atomic<bool> sequenceActive{false};
    std::array<MessageState, kMessageKinds> messages;
    std::atomic<std::uint32_t> dispatchSerial{0};
    // The host log heard that the message was called off; cleared by a change of settings.
    std::array<std::atomic<bool>, kMessageKinds> calledOffTold{};
    std::shared_ptr<SendChannel> sendChannel = std::make_shared<SendChannel>();
    FailureLog failureLog;
    std::atomic<bool> sending{false};       // BeginSending has run
    std::atomic<bool> everScheduled{false}; // something may wait to be cancelled or moved
};

// The countdown of one message: "0.0s" when r <= 0, else r taken up to the next tenth of a
// second, as "%.1fs". In beats, r counts thousandths of a beat and the unit is "b".
std::string FormatRemaining(std::int32_t remainingMs, char unit = 's');
