// Makes a show happen, frame by frame on the host's clock: moves the playhead, reads it, makes
// the calls a host makes to the effect, and writes down each pass where it really began. The
// decoder's actions (ShowActions.h) tell it what the performer and the host do; before each
// they ask it what the show may hold (ShowLimits.cpp), so that no show is made whose answer the
// effect could not know.
#pragma once

#include "fuzz/HostPlayhead.h"
#include "fuzz/HostRhythm.h"
#include "fuzz/Show.h"
#include "fuzz/ShowRandom.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace showfuzz
{
class ShowDirector
{
public:
    // Far above 0, as a real steady clock is.
    static constexpr std::int64_t kOriginUs = 1'000'000'000'000;
    // Times from this to 0 are the clip's beginning (a pre-roll).
    static constexpr double kPreRollSeconds = 0.05;
    // From the reading that shows a drag's first step to the one that shows its last, less than
    // this: even steps for longer look like the clip played the other way from the first (the
    // calls' lateness on both ends).
    static constexpr std::int64_t kDragSpanUs = kGestureUs - 2 * Rhythm::kLatestUs - 1000;

    ShowDirector(const Rhythm& setup, std::uint32_t seed);

    // The first clip, at `position` before the first frame, where the effect joins it; or
    // launched `launchFraction` of the first frame's interval before the first frame.
    void Open(const Clip& clip, double position, bool rising);
    void OpenWithLaunch(const Clip& clip, double landing, double launchFraction);

    // One frame: the playhead on to its moment, the reading, the calls.
    void Frame();
    // Frames until `ready` holds, for at most `mostUs` of the show: whether it came.
    bool PlayUntil(const std::function<bool()>& ready, std::int64_t mostUs);
    // The playhead on to `fraction` of the way from the last frame to the next, where what
    // happens between two frames happens.
    void AdvanceBetween(double fraction);

    HostPlayhead& Head() { return head; }
    const HostPlayhead& Head() const { return head; }
    const HostRhythm& Host() const { return rhythm; }
    ShowRandom& Random() { return random; }
    bool Parked() const { return parked.has_value(); }
    bool Full() const;
    // The effect's knowledge of where passes begin (the last landings of its instance): whether
    // a landing at the in point (rising) or out point (backwards) of `clip` is where passes
    // begin.
    bool KnownLanding(const Clip& clip, bool rising) const;
    // Where the effect has seen passes begin, forwards and backwards.
    std::optional<double> LearnedIn() const { return learnedIn; }
    std::optional<double> LearnedOut() const { return learnedOut; }
    // The speed the clip last played at (a paused clip's before it stopped): the effect reads a
    // landing's step at it until the new run shows its own.
    double LastPlayedSpeed() const { return lastPlayedSpeed; }
    // Whether the next landing of `clip` (the current one, at some speed) is where passes begin.
    bool NextLandingKnown(const Clip& clip) const;
    bool CurrentPassBeganAtZero() const { return passAtZero; }

    // What happens. Each records its event and features; the pass it begins, if any.
    void Launch(const Clip& clip, double landing, bool rising, const std::string& what);
    enum class Jump : std::uint8_t
    {
        ScrubBack,    // a pass, counted once its gesture ends
        DragStep,     // one step of a drag: the gesture goes on
        Forward,      // no pass
        Resync,       // no pass
        Dip,          // no pass: below 0 at the clip's beginning
    };
    // Now, or right after the next frame's reading, shown by a second reading back to back.
    void JumpTo(double position, Jump jump, bool backToBack);
    // A drag's step, whose next comes between the frames `framesToNext` on. Where no reading
    // might show that one within the drag's span of the reading that showed its first step, the
    // first reading after this step ends the gesture: this step was its last.
    void DragStepTo(double position, std::int64_t framesToNext);
    bool GestureOpen() const { return gestureOpen; }
    void SetSpeed(double speed);
    void SetPoints(double in, double out);
    // The clip at its beginning and standing; each reading a hair off, now and then 1 ms below.
    void Park(double at, bool jitter, bool dips);
    enum class Odd : std::uint8_t
    {
        Wobble, // one reading `by` off, along the way it plays
        Stale,  // one reading that repeats the last
    };
    void OddReading(Odd odd, double by);
    enum class Gap : std::uint8_t
    {
        Stall,
        Hidden,
        PauseHide, // the time stands: a pass at the first frame after
    };
    void Skip(std::int64_t us, Gap gap);
    void StopTimes(std::int64_t us);
    void PressTest();
    // A new instance at the next frame; `backToBackMs` (not 0): a second reading right after its
    // first, that many milliseconds of clip on (or back).
    void Join(int backToBackMs);

    void Note(Feature feature) { show.features[static_cast<std::size_t>(feature)] = true; }
    void Event(const std::string& what);

    // What a show may hold now (ShowLimits.cpp).
    // Nothing else is being measured: the current pass is past its measuring window, no gesture
    // or gap is open, and the last event is a few frames back.
    bool Settled() const;
    // Nothing is half done: no gesture or gap open, no reading waiting to be changed.
    bool Calm() const;
    // A gap over 0.4 s may begin now: the last one ended 2 s ago or more.
    bool LongGapAllowed() const;
    // The quiet after the last event is over.
    bool QuietOver() const { return headUs >= quietUntilUs; }
    // Nothing the effect must measure comes within reach of a change made now: the next point
    // the playhead reaches (as `after` plays) is 2 readings away for a loop, 250 ms and 3
    // readings for a turn or a wrap; `extraUs` more.
    bool ClearAhead(const HostPlayhead& after, std::int64_t extraUs = 0) const;
    // A clip whose passes (legs, ping-pong) last 3 readings and 5 ms of clip at least; one whose
    // next landing is not where passes begin also long enough for its gesture to end.
    bool PassFits(const Clip& clip, bool knownLanding) const;
    // The least step of clip time that is clearly a jump at `speed`: 50 ms and two readings'
    // travel, and a little more.
    double ClearJump(double speed) const;
    // Long enough after the landing for the gesture's wait to end before the next point.
    std::int64_t GestureUs() const;
    // A gap of `us` may fall in the current pass: at most 0.8 of it (of a leg, ping-pong), and
    // long gaps 2 s apart.
    bool GapFits(std::int64_t us) const;
    // Keeps other events `us` away from now, and 250 ms and 3 readings at least.
    void HoldQuiet(std::int64_t us);

    Show Finish();

private:
    struct Pending
    {
        std::optional<double> jumpBy; // back to back: clip seconds on from the first reading
        Jump jump = Jump::Resync;
        std::optional<Odd> odd;
        double oddBy = 0.0;
        bool test = false;
        std::optional<int> joinBackToBackMs;
    };
    // Frames further apart than this are a long gap: long gaps come 2 s apart at least.
    static constexpr std::int64_t kLongGapUs = 400000;
    // How long the effect needs to measure a pass, or a change, before the next event.
    static constexpr std::int64_t kQuietUs = 250000;

    void PlayHeadTo(std::int64_t us);
    void Crossed(const Crossing& crossing);
    // A pass begins at `atUs` (between two whole microseconds for a crossing: `exactUs`).
    void Begin(TruePass::Kind kind, std::int64_t atUs, bool atSample, bool known,
               double exactUs = -1.0);
    double ReadHead();
    void Call(ShowCall::Kind kind, std::int64_t atUs, std::int64_t sampledUs, double time = 0.0);
    // A SetTime call with a new reading of the playhead.
    void Reading(std::int64_t atUs, std::int64_t sampledUs);
    // A new instance's first reading: whether and how its pass counts.
    void JudgeJoin(double first, std::int64_t sampledUs);
    void EndDragUnseen(std::int64_t sampledUs);
    void BackToBackAtJoin(double first);
    void Learn(const Clip& clip, bool rising);

    ShowRandom random;
    HostRhythm rhythm;
    HostPlayhead head;
    Show show;

    std::int64_t lastFrameUs = kOriginUs;
    std::int64_t previousFrameUs = kOriginUs;
    std::int64_t nextFrameUs = kOriginUs;
    std::int64_t headUs = kOriginUs; // where the playhead has been played to
    std::int64_t lastCallUs = 0;
    double lastGiven = 0.0;
    int life = 0;

    // The current pass, as the limits see it.
    std::int64_t passBeginUs = kOriginUs;
    std::int64_t passFirstFrameUs = kOriginUs;
    bool passFramePending = false;
    bool passInGap = false;
    int passReadings = 0;
    std::int64_t passFirstReadingUs = 0;
    bool passTold = true;
    bool passAtZero = false;
    std::int64_t quietUntilUs = kOriginUs;
    std::int64_t longGapEndUs = 0;
    bool inGap = false;
    bool pauseHidePending = false;
    std::int64_t timesUntilUs = 0; // no SetTime before this
    // A scrub or drag: its pass begins at the first reading after its last step.
    std::int64_t gestureUs = 0; // when the gesture's first step was made
    bool gestureOpen = false;
    bool gesturePending = false;
    std::int64_t gestureSeenUs = -1; // the reading that showed its first step
    std::int64_t nextStepUs = 0;     // a drag's next step is made by then
    bool joinVerdictPending = false;
    int joinBackToBackMs = 0;

    std::optional<double> learnedIn;
    std::optional<double> learnedOut;
    double lastPlayedSpeed = 0.0;
    struct Points
    {
        std::optional<double> in;
        std::optional<double> out;
    } learnedBeforePass;
    struct Parking
    {
        double at = 0.0;
        bool jitter = false;
        bool dips = false;
        std::int64_t lastDipUs = 0;
    };
    std::optional<Parking> parked;
    Pending pending;
};
} // namespace showfuzz
