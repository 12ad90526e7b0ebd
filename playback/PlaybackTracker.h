// Follows how the host plays the clip the effect sits on, from the clip time it gives and the
// stream of frames, and tells when a pass of the clip begins and when the playhead was at that
// beginning.
//
// The host plays the clip between an in point and an out point: forwards (out -> in), backwards
// (in -> out) or ping-pong, at any speed, now and then re-triggered, scrubbed, paused, stalled or
// hidden, and its clock may wobble a little back. The tracker keeps the direction and the speed
// from the last few times, the in and out points from the loops, wraps and turns it has seen,
// and judges each time against that:
// - on the way the clip plays, or standing still: the same pass;
// - a step back no larger than a turn could make (a frame's travel and a half, a few
//   milliseconds more): a wobble of the clock or a turn, told apart by the next time; a turn
//   from backwards to forwards begins a ping-pong pass;
// - further back: a loop, a re-trigger or a wrap when it lands where passes begin (forwards the
//   in point, or the clip's first moments; backwards the out point), anywhere else a scrub;
//   either way a pass begins. A jump the way the clip plays is a scrub, and no start;
// - after a gap (a stall or a hidden layer) a step back within what play could have carried the
//   time is a turn or a loop inside it, told apart by the next time;
// - frames that stop for more than half a second and go on with the time held still, or moved
//   far less than play would have carried it, begin a pass (a clip stopped and shown again, or a
//   host that gives no time), at most once in a while.
// Each pass is dated at the moment the playhead was at its beginning, by the speed: the time
// after a loop less the in point, a wrap's out point less the time, the meeting of the two
// lines at a ping-pong turn.
// Joining a playing clip: the first times tell the direction before any start is read. A clip
// playing forwards in its first moments counts from its beginning; one in its first seconds
// starts at once; otherwise, and backwards, the next loop counts. A time that is not a number,
// below the pre-roll or too large to count in microseconds is ignored; one slightly below 0 (a
// pre-roll) is the clip's beginning only when the time was there already or goes on from there.
// "Test" stops the countdown of the pass it was pressed in.
//
// Plain state without locks: its owner serialises the calls.
#pragma once

#include "playback/PlaySpeed.h"

#include <array>
#include <cstdint>
#include <optional>

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
        // False: no new pass, the current one's beginning dated anew (earlier) as the times
        // after it show its own speed.
        bool newPass = true;
    };

    // The host's clip time in seconds, given at `nowUs`.
    std::optional<Start> OnHostTime(double time, std::int64_t nowUs);
    // A frame drawn at `nowUs`.
    std::optional<Start> OnFrame(std::int64_t nowUs);
    // "Test" stopped the countdown: the pass it was pressed in counts no more, not even as a
    // clip joined at its start. Before the first time there is no such pass.
    void OnTest();

private:
    enum class Phase
    {
        Waiting,  // no time yet
        Joining,  // times, but not yet the way the clip plays
        Playing,  // the direction and the speed are known
        Doubting, // the last time stepped back: the next tells a turn from a wobble or a loop
    };
    enum class Direction
    {
        Forward,
        Backward,
    };
    // What a step back within a turn's reach may be besides a turn.
    enum class StepBack
    {
        Wobble, // the clock's: the clip goes on
        Wide,   // too far for a wobble, after a gap: a loop, wrap or scrub inside it
    };
    struct Sample
    {
        double time = 0.0;
        std::int64_t atUs = 0;
    };
    // How far the time may have moved since the last one, worked out once per time.
    struct Reach
    {
        double turn = 0.0;   // the largest step back a turn gives: play's travel and a half
        double wobble = 0.0; // the largest that may be the clock's: a frame's travel and a half
        double zone = 0.0;   // where a pass's beginning lies, around the in point or the out point
    };
    struct Gap
    {
        std::int64_t frameUs = 0; // the first frame after it
        std::int64_t lengthUs = 0;
        std::optional<double> timeBefore;
        std::optional<double> time; // the time after it
        int timesAfter = 0;         // that stood since, while it waits to be told
    };

    std::optional<Start> Step(const Sample& sample);
    std::optional<Start> Judge(const Sample& sample);
    void BeginJoin(const Sample& sample);
    std::optional<Start> Join(const Sample& sample);
    std::optional<Start> JoinForward(const Sample& sample);
    std::optional<Start> JoinHeld(const Sample& sample);
    std::optional<Start> Play(const Sample& sample);
    std::optional<Start> Resolve(const Sample& sample);
    // The time moved on the way the clip plays, or stood.
    void MoveOn(const Sample& sample);
    void UpdatePlaySpeed();
    // A jump against the way the clip plays: a pass begins.
    std::optional<Start> Jump(const Sample& sample, const Reach& reach);
    // The clip turned after `before`, and `after` and `confirm` went the other way.
    std::optional<Start> Turn(const Sample& before, const Sample& after, const Sample& confirm);
    // Where and when it turned.
    struct Meeting
    {
        std::int64_t atUs = 0;
        double time = 0.0;
    };
    Meeting MeetingOf(const Sample& before, const Sample& after, const Sample& confirm) const;
    // Where the line through `ahead` before the turn meets the line through `after`.
    Meeting Meet(const Sample& ahead, const Sample& after) const;
    std::optional<Start> PreRoll(std::int64_t atUs);
    bool PreRollBegins(double time, std::int64_t nowUs) const;
    bool StoodThrough(const Gap& gap, double time) const;
    // Longer than a few frames since the last time: a stall or a hidden layer.
    bool IsGap(std::int64_t sinceUs) const;
    std::optional<Start> GapStart(const Gap& gap);
    std::optional<Start> Begin(std::int64_t anchorUs, double time);

    // Where the pass a jump landed in began, if it landed where passes begin.
    std::optional<double> PassBeginning(double time, const Reach& reach) const;
    void Learn(double time, std::optional<double> beginning);
    Reach ReachFor(std::int64_t sinceUs, double speed) const;
    Reach ReachFor(std::int64_t sinceUs) const { return ReachFor(sinceUs, PlayedSpeed()); }
    // The speed that dates a beginning no earlier than it was: the estimate, raised (or lowered)
    // by how far off it may be.
    enum class Margin
    {
        Faster,
        Slower,
    };
    double DatingSpeed(Margin margin) const;
    // When the playhead was `distance` clip seconds back from `sample`, no earlier than `floorUs`.
    std::int64_t Before(const Sample& sample, double distance, std::int64_t floorUs) const;
    double Along(double delta) const { return direction == Direction::Forward ? delta : -delta; }
    void NoteInterval(std::int64_t atUs);
    std::int64_t FrameIntervalUs() const;
    std::optional<double> CurrentTime() const;

    Phase phase = Phase::Waiting;
    Direction direction = Direction::Forward;
    Sample last;                         // the last time taken as where the clip is
    std::optional<Sample> previousInRun; // the one before it, where the run goes back so far
    Sample doubted;                      // while doubting: the step back
    StepBack doubtedKind = StepBack::Wobble;
    PlaySpeed speed; // the times of the current run
    // The last speed measured over a few times while the time moved, and how far off it may be.
    std::optional<PlaySpeed::Estimate> played;
    double PlayedSpeed() const { return played ? played->speed : 1.0; }
    std::optional<double> inPoint;
    std::optional<double> outPoint;
    // Loops or wraps in a row since the last turn: a clip seen to loop twice loops, and a wide
    // step back after a gap is a loop inside it.
    int loopsInARow = 0;
    // The clip's ends as far as seen.
    std::optional<double> highestSeen;
    std::optional<double> lowestSeen;
    // Where the last jump landed: a turn there is no second start.
    std::optional<std::int64_t> jumpLandedUs;
    Sample jumpedFrom;

    Sample joinFirst;
    std::optional<Direction> joinLean;  // the way the last step went
    std::optional<Sample> joinJumpedUp; // a jump on: a wrap, if the clip plays backwards
    std::optional<int> timesSinceStart; // times taken since the last start
    bool joinArmed = true;              // until the first start, or "Test" in the pass joined
    std::optional<std::int64_t> preRollUs;

    std::optional<std::int64_t> lastTimeUs; // the last time given, whatever it was judged
    std::array<std::int64_t, 4> intervalsUs{};
    std::size_t nextInterval = 0;

    std::optional<std::int64_t> lastFrameUs;
    std::optional<double> timeAtLastFrame;
    std::optional<std::int64_t> lastGapStartUs;
    bool startedSinceFrame = false;
    std::optional<Gap> pendingGap; // the time stood across it: the next time tells a stop
    bool heldOnce = false;         // the last time stood where the one before was
};
