// Follows how the host plays the clip the effect sits on, from the clip time it gives and the
// stream of frames, and tells when a pass of the clip begins and when the playhead was at that
// beginning: as late as what was seen allows, so that nothing counted from it goes early.
//
// The host plays the clip between an in and an out point, forwards, backwards or ping-pong, at
// any speed, now and then re-triggered, scrubbed, paused, stalled or hidden; its clock may wobble
// or re-sync a little back, and it calls up to SpeedBounds::kCallLatenessSeconds after it read
// its playhead. Each time is judged against the way the clip plays:
// - on the way, or standing: the same pass. A step on far beyond play is a scrub, no start;
// - a step back within what a turn could make: the next time tells a turn from a wobble, a
//   re-sync or a loop that landed close; a turn from backwards to forwards begins a pass;
// - a step back that lands where passes begin (the in point learnt, or the clip's first 50 ms
//   while none is; backwards the out point), or that leaves the far end: a loop, re-trigger or
//   wrap, a pass at once;
// - a step back of 50 ms or less anywhere else: the clock re-synced, no start;
// - further back anywhere else: the next times tell a loop at a speed or in point not seen
//   before (they lead back to where passes begin, after the last time before it) from a scrub;
//   steps back with less than 150 ms of play seen between them are one scrub, counted from
//   its last step;
// - after a gap (a stall, a hidden layer) the time may be where play carried it (the same pass),
//   or anywhere (a loop, turn or scrub inside it, told by the times after it);
// - calls that stop for more than half a second and go on with the time standing begin a pass
//   (the clip was stopped and shown again, or the host gives no time), at most once in 1.5 s.
// A loop, wrap or turn begins a new pass only after the pass before had three times.
// Each beginning is first dated at the time that showed it and then earlier, as the times of
// the pass's first moments bound its speed (PassDating); it is never dated before the last
// time of the pass before.
// Joining a playing clip: the first times tell the direction. Forwards in its first 2 s it
// starts at once (in its first 50 ms counted from the first time); otherwise, and backwards,
// the next loop, wrap or bottom turn counts. "Test" stops the pass it was pressed in, and with
// it such a join.
//
// Plain state without locks: its owner serialises the calls.
#pragma once

#include "playback/LearnedPoint.h"
#include "playback/PassDating.h"
#include "playback/PlaySpeed.h"
#include "playback/SpeedBounds.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

class PlaybackTracker
{
public:
    // Beyond any clip, and far within what the microseconds of the clock count: a larger time
    // is no time.
    static constexpr double kLongestTimeSeconds = 1e9;

    struct Start
    {
        std::int64_t anchorUs = 0; // when the playhead was at the pass's beginning (steady clock)
        double hostTime = 0.0;     // the clip time it was seen at
        // False: no new pass, the current one's beginning dated anew: earlier as the times
        // after it show its own speed, or later as a scrub goes on.
        bool newPass = true;
        // Nothing counted from the pass goes before this moment (0: no such moment): a scrub may
        // still go on, and its pass then begins at its last step.
        std::int64_t holdUntilUs = 0;
    };

    // The host's clip time in seconds, given at `nowUs`.
    std::optional<Start> OnHostTime(double time, std::int64_t nowUs);
    // A frame drawn at `nowUs`.
    std::optional<Start> OnFrame(std::int64_t nowUs);
    // "Test" stopped the countdown: the pass it was pressed in counts no more, not even as a
    // clip joined in its first seconds. Before the first time there is no such pass.
    void OnTest();

private:
    enum class Phase
    {
        Waiting, // no time yet
        Joining, // times, but not yet the way the clip plays
        Playing, // the direction is known
    };
    enum class Direction
    {
        Forward,
        Backward,
    };
    struct Sample
    {
        double time = 0.0;
        std::int64_t atUs = 0;
    };
    // A jump back that did not land where passes begin: the times after it tell a loop from a
    // scrub.
    struct Jump
    {
        Sample from; // the last time before it
        Sample landing;
        SpeedBounds::Range before; // the run that ended with it
        bool afterGap = false;
        bool fromStay = false; // the time before it stood there a while: no play left it
        bool mayCount = true; // the pass before had its three times
        bool told = false;    // a start was told at its landing: the times after it date it
        Sample toldAt;        // the landing it was told at, the gesture's first step
        bool laterStep = false; // a later step of a hand's gesture: no loop
        SpeedBounds otherWay; // the times since that went the other way, as one run
        static constexpr std::size_t kKept = 12;
        std::array<Sample, kKept> times{}; // the run after it, the landing first
        std::size_t count = 0;
        void Keep(const Sample& sample)
        {
            if (count < kKept)
                times[count++] = sample;
        }
    };
    // Calls stopped for more than half a second; the times after it tell a stop.
    struct Quiet
    {
        std::int64_t endUs = 0;
        std::optional<Sample> before;     // the last time before it
        std::optional<Sample> firstAfter; // held where that one was: the next time tells
    };

    // One time, judged.
    std::optional<Start> Take(const Sample& sample);
    std::optional<Start> Step(const Sample& sample);
    std::optional<Start> AfterQuiet(const Sample& sample);
    void BeginJoin(const Sample& sample);
    std::optional<Start> Join(const Sample& sample);
    std::optional<Start> JoinForward(const Sample& sample);
    void ToPlaying(Direction way, const Sample& from);
    std::optional<Start> Play(const Sample& sample);
    // Play at `speed` carried the time from `from` to `to`, a little off as speeds are known
    // and as the clock wobbles (or re-syncs: `clockSlack` of clip time).
    bool RanOn(const Sample& from, const Sample& to, double speed) const;
    bool RanOnWithin(const Sample& from, const Sample& to, double speed, double clockSlack) const;
    // Whether a speed the current run allows carried the time from `from` to `to`.
    bool CarriedAcross(const Sample& from, const Sample& to) const;
    // The least and most play carried the jump's time across its gap, at the speed before it,
    // one `after` it or one between; none where no speed before it was measured.
    struct Carried
    {
        double least = 0.0;
        double most = 0.0;
    };
    std::optional<Carried> MovedAcross(const Jump& jump, const SpeedBounds::Range& after) const;
    // Whether play carried the jump's time there; whether it lies behind where it carried it.
    bool PlayedAcross(const Jump& jump, const SpeedBounds::Range& after) const;
    bool BehindPlay(const Jump& jump) const;
    // Whether the speed before a gap carried the jump's time there, but for a re-sync.
    bool ResyncedAcross(const Jump& jump) const;
    // From `from` to `to` the time moved further than any play takes it, or faster than the
    // current run played.
    bool FasterThanPlay(const Sample& from, const Sample& to) const;
    // From `from` to `to` the time moved further than any play takes it, whatever the run.
    static bool BeyondAnyPlay(const Sample& from, const Sample& to);
    // The clock seconds per clip second one step from `from` to `to` allows; none where it went
    // nowhere longer than late calls explain.
    static std::optional<SpeedBounds::Range> StepBounds(const Sample& from, const Sample& to);
    // The fastest play the run allows for sure, once it has `times` times.
    std::optional<double> SureFastest(std::size_t times) const;
    std::optional<Start> AfterGap(const Sample& sample);
    // The times went steadily the other way: it plays that way now. Answers whether it turned.
    bool PlaysAgainst(const Sample& sample);
    // The time went back from the one time after a gap, further than a wobble and no further
    // than `reach`.
    bool BackFromGapLanding(const Sample& sample, double reach) const;
    std::optional<Start> Resolve(const Sample& sample);
    // Turned inside the gap of the pending jump, `confirm` the time that shows it; `latest`,
    // the last time since, measures the speed after it. Where the two are one, it may leave
    // the gap pending for the next call to judge.
    std::optional<Start> GapTurn(const Sample& confirm, const Sample& latest);
    // Back no further than this from a step back, a clock's wobble or most of a slow frame.
    double TurnWobble() const;
    // The least step up from `before` to `after` that tells a turn.
    double TurnStepLeast(const Sample& before, const Sample& after) const;
    // Whether a step from `before` to `after` came down to the in point learnt.
    bool AtInPoint(const Sample& before, const Sample& after) const;
    std::optional<Start> NotATurn(Sample stepped, Sample sample);
    // The time moved on the way the clip plays, or stood.
    std::optional<Start> MoveOn(const Sample& sample);
    std::optional<Start> JumpBack(const Sample& landing);
    // The clip turned after `before`; `after` and `confirm` went the other way. `runBefore`: the
    // speed bounds of the run before it (a copy: the run restarts at the turn); its times date
    // the pass for `datingUs`.
    std::optional<Start> Turn(Sample before, Sample after, Sample confirm,
                              SpeedBounds::Range runBefore, std::int64_t datingUs);
    // A loop, wrap or re-trigger from `from` that landed at `landing`, the new run playing at
    // about `speed`; `before`: the speed bounds of the run that ended; `jump`: the pending jump
    // it was, with the times since.
    std::optional<Start> Loop(Sample from, Sample landing, double speed,
                              SpeedBounds::Range before, const Jump* jump = nullptr);
    // Dates the pass such a loop began; answers its beginning.
    std::int64_t DateLoop(Sample from, Sample landing, double speed,
                          SpeedBounds::Range before, const Jump* jump);
    // A step back that did not land where passes begin: a pass told at once, counted from it
    // until its times tell a loop, and held while a scrub may go on.
    std::optional<Start> StepBack(const Sample& landing);
    // After a jump told at its landing, the times go steadily the other way: a clip launched to
    // play that way, not a hand's steps. Answers the start dated anew once that shows.
    std::optional<Start> OtherWay(const Sample& sample, double back);
    std::optional<Start> PlaysOtherWay(const Sample& sample);
    // The hand's gesture is over: a scrub. The time after it is judged as any other.
    std::optional<Start> Settle(const Sample& sample);
    // While a hand's gesture may go on, nothing of its pass goes: answers a longer hold.
    std::optional<Start> HoldGesture(std::int64_t nowUs);
    // A step back landing at `landing` (or, given the last time, any time yet to come) is the
    // next of a hand's gesture told before.
    bool GestureGoesOn(const Sample& landing) const;
    // A loop to a point not learnt that landed at `landing`, with `points` learnt before it:
    // held as a hand's first step may be. Answers until when.
    std::int64_t Hold(const Sample& landing, const std::pair<LearnedPoint, LearnedPoint>& points);
    void Resync(const Sample& sample);
    void Pend(const Sample& from, const Sample& landing, bool afterGap, bool told);
    // The run after a pending jump: a loop, once it shows one; a scrub once it settled.
    std::optional<Start> Decide(std::int64_t nowUs);
    struct LoopRun
    {
        double speed = 0.0;
        bool toLearntPoint = false; // not to 0 or where a scrub landed
        double point = 0.0;         // where it led back to
    };
    // The speed of the run after the jump, where it shows a loop.
    std::optional<LoopRun> LoopSpeed(const Jump& jump) const;
    std::optional<Start> Scrub(const Jump& jump);
    std::optional<Start> GapStart(std::int64_t atUs, double time);
    // A new pass, first seen by the time at `firstUs`.
    std::optional<Start> Begin(std::int64_t anchorUs, double time, std::int64_t firstUs);
    // A start whose date its times do not move (a scrub, a join, a stop).
    std::optional<Start> BeginFixed(std::int64_t anchorUs, double time);
    std::optional<Start> Redate(std::optional<std::int64_t> anchorUs, double time);
    // Two answers of one call: a start, then its beginning dated anew.
    static std::optional<Start> Then(const std::optional<Start>& first,
                                     const std::optional<Start>& second);
    void Restart(const Sample& sample);
    void AddToRun(const Sample& sample);

    // Where passes begin, forwards the in point and backwards the out point: from `low` to
    // `high`, as learnt.
    bool LandsWherePassesBegin(const Sample& landing, const Sample& from) const;
    // Further on than the point learnt (an in point below it, an out point above it): moved, or a
    // hand's step past it.
    bool BeyondLearntPoint(const Sample& landing, const Sample& from) const;
    // The point learnt is known only roughly, wider than a loop from `from` to `landing` at
    // `speed` would show it (a wrap seen across a gap bounds it from one side only).
    bool RoughPoint(const Sample& from, const Sample& landing, double speed) const;
    bool LeavesFarEnd(const Sample& from, const Sample& landing) const;
    // Learns the in and out points from a loop or wrap from `from` to `landing`.
    void LearnLoop(const Sample& from, const Sample& landing, double speed);
    // Clip seconds play may cover from `fromUs` to `toUs`, the calls' lateness included.
    static double Travel(std::int64_t fromUs, std::int64_t toUs, double speed);
    double TurnReach(std::int64_t sinceUs) const;
    bool IsGap(std::int64_t sinceUs) const;
    // The beginning of a loop's pass, as late as known: the in point forwards, the out point
    // backwards.
    double BeginningPoint() const;
    // Plays the other way from `from` on, at the pace its steps showed where they bound it.
    void TurnAround(const Sample& from, const SpeedBounds::Range& pace);
    // Launched the other way where it landed, at `landing`: the same pass, its speed unknown.
    void LaunchedOtherWayAt(const Sample& landing);
    // The pass's times never went its way since its first.
    bool NeverWentItsWay() const;
    // The doubted step after two like times goes on the other way at the speed before them:
    // the speed both allow.
    std::optional<SpeedBounds::Range> StraddleSpeed(const Sample& stepped) const;
    // The two like times straddled a turn: a host interval apart, or at a bottom turn where
    // passes begin, with frames dropped between them.
    bool StraddledTurn(const Sample& stepped) const;
    bool StraddledTurnAtPoint(const Sample& stepped) const;
    std::optional<Start> TurnBetweenLikeTimes(const Sample& stepped, const Sample& sample);
    double LatestBeginningPoint(double landing) const;
    static PassDating::Bound FarBound(const Sample& from);
    // The earliest a run from `from` reached `point`.
    static std::int64_t ReachedNoEarlier(const Sample& from, double point,
                                         const SpeedBounds::Range& run);
    // The line down to a turn whose `before` time is the run's only one: the run it broke off,
    // where `before` broke one.
    std::pair<Sample, SpeedBounds::Range> LineDown(const Sample& before,
                                                   const SpeedBounds::Range& runBefore) const;
    // Whether a turn at `point` fits between `before` and `after` at the turn's speed: the way
    // down to it and back up takes no longer than the two times allow.
    static bool TurnFits(const Sample& before, const Sample& after, double point,
                         const SpeedBounds::Range& run);
    double Along(double time) const { return direction == Direction::Forward ? time : -time; }
    double Speed() const { return knownSpeed.value_or(1.0); }
    // The pass had the three frames a loop needs to be told from a wobble.
    bool MayCount(std::int64_t nowUs) const;
    void NoteInterval(std::int64_t atUs);
    // The longest of the last few intervals between times, and the middle of them.
    std::int64_t FrameIntervalUs() const;
    std::int64_t TypicalIntervalUs() const;
    void NoteCall(std::int64_t nowUs);

    Phase phase = Phase::Waiting;
    Direction direction = Direction::Forward;
    Sample last;                  // the last time taken as where the clip is
    std::optional<Sample> doubted; // a step back within a turn's reach: the next time tells
    bool doubtedAfterStay = false; // the clip stood until it, a while
    PlaySpeed run;                 // the times of the current run, for its speed
    SpeedBounds runBounds;         // and what they allow for sure
    bool runFromStand = false;     // the run's one time is the last the clip stood at
    bool legFromTopTurn = false;   // the run goes down from a turn at the top (ping-pong)
    bool inPointFromTurn = false;  // the in point learnt last by a bottom turn, not a loop since
    SpeedBounds against;           // the times since that went against the way it plays
    std::optional<double> knownSpeed; // the last speed measured over a few times
    PassDating pass;
    std::int64_t reportedUs = 0; // the beginning last told
    std::optional<Sample> passFirst; // the first time of the pass counted last
    std::optional<double> passFarthest;      // the furthest along the current run got since
    LearnedPoint inPoint;  // where passes begin forwards
    LearnedPoint outPoint; // where passes begin backwards
    std::optional<double> highestFar; // where forward passes have ended, as far as seen
    std::optional<double> lowestFar;  // where backward passes have ended
    std::int64_t gestureHoldUs = 0; // told with a hand's step; later while it may go on
    // A loop to a point not learnt, held as a hand's first step: until when.
    std::int64_t heldUntilUs = 0;
    std::optional<Sample> heldLanding; // where it landed (the point a loop led back to)
    // The in and out points before it: a step before the hold is over shows the loop a hand's.
    std::optional<std::pair<LearnedPoint, LearnedPoint>> pointsBeforeHold;
    bool pointTentative = false; // the point learnt last was learnt by such a loop alone
    std::optional<double> scrubLanding; // where the last scrub landed: maybe a new in point
    bool pointsDoubted = false;         // since a scrub, the next loop learns its point anew
    std::optional<Jump> pending;

    Sample joinFirst;
    std::optional<Direction> joinLean; // the way the last step went
    bool joinJumpedUp = false;         // the join began with a jump on: maybe a wrap
    Sample joinJumpedFrom;             // the time before that jump
    bool joinArmed = true;             // until the first start, or "Test"

    std::optional<std::int64_t> lastTimeUs;
    std::int64_t lastIntervalUs = 0;
    std::array<std::int64_t, 4> intervalsUs{};
    std::size_t nextInterval = 0;
    std::optional<std::int64_t> lastCallUs;
    std::optional<std::int64_t> lastFrameUs;
    std::optional<std::int64_t> lastGapStartUs;
    std::optional<Quiet> quiet;
    std::optional<Sample> preRoll; // below 0 mid-clip: a launch if the next time goes on from 0
    std::optional<Sample> lastGiven; // as given, below 0 included
    // The run before the clip first stood (its last time, its speed bounds): two like times
    // may straddle a turn.
    std::optional<std::pair<Sample, SpeedBounds::Range>> beforeStand;
    // The run the current one broke off (its last time, its speed bounds), while the current
    // one holds only the time that broke it: a time just past a turn lies off the line down.
    std::optional<std::pair<Sample, SpeedBounds::Range>> brokenRun;
    std::optional<Sample> stay;      // the first time of those since within a point's slack
};
