// Tells from the host's clip time and the stream of frames when a pass of the clip begins,
// however the host plays it: forwards, backwards or ping-pong, at any speed, with a clock that
// jitters, frames that stall, and the odd time that is not a time at all.
//
// One start per pass:
// - forwards: the time falls back into the clip's first moments (a loop or a re-trigger), or
//   steps back further than a turn of direction could (a scrub back);
// - backwards: the time jumps up (it wrapped from the clip's beginning to its end);
// - ping-pong: the time turns from falling to rising at the clip's beginning;
// - an instance that joins a clip playing forwards in its first seconds starts at once;
// - frames that stop for a while and go on with the time held still, or moved on by hardly a
//   frame (a clip stopped or hidden and shown again, or a host that gives no time), at most
//   once in a while. A time that ran on through the gap is a stall of the same pass.
// A step against the direction of play smaller than the clock's jitter is no movement; a time
// that is not a number, or far below 0, is ignored; one slightly below 0 (a pre-roll) is the
// clip's beginning only when the time was there already or the next goes on from there.
// "Test" stops the countdown until the next start.
//
// Plain state without locks: its owner serialises the calls.
#pragma once

#include <cstdint>
#include <optional>

class ClipStartDetector
{
public:
    struct Start
    {
        std::int64_t anchorUs = 0; // what the delays count from, on the steady clock
        double hostTime = 0.0;     // the clip time it was seen at
    };

    // The host's clip time in seconds, given at `nowUs`.
    std::optional<Start> OnHostTime(double time, std::int64_t nowUs);
    // A frame drawn at `nowUs`.
    std::optional<Start> OnFrame(std::int64_t nowUs);
    // "Test" stopped the countdown: it waits for the clip's next start, even in the clip's first
    // seconds, since a countdown from the clip's start would send again what was just sent.
    void OnTest() { joinArmed = false; }

private:
    enum class Direction
    {
        Forward,
        Backward,
    };

    std::optional<Start> Step(double time, std::int64_t nowUs);
    std::optional<Start> StepForward(double time, std::int64_t nowUs);
    std::optional<Start> StepBackward(double time, std::int64_t nowUs);
    std::optional<Start> Begin(std::int64_t anchorUs, double time);
    // A start by a jump against the direction of play (a loop, a wrap, a scrub).
    std::optional<Start> Jump(std::int64_t anchorUs, double time);
    std::optional<Start> Turn(Direction to, double time, std::int64_t nowUs);
    // Clip seconds per second from the last time taken to this one.
    double StepPace(double time, std::int64_t nowUs) const;
    // How far play at its pace carries the time from the last time taken until `nowUs`.
    double Reach(std::int64_t nowUs) const;
    // The clip's first moments: the restart tolerance, or where play is faster, a little more
    // than one reach (reach is an estimate). Also the largest reversal that is a turn of
    // direction rather than a jump: a turn gives back at most one reach.
    double Zone(std::int64_t nowUs) const;
    void Extend(double time, std::int64_t nowUs);

    bool primed = false;
    double last = 0.0; // the last time taken, and when
    std::int64_t lastUs = 0;
    Direction direction = Direction::Forward;
    // Forwards the highest time since the last turn or start, backwards the lowest, and when.
    double extreme = 0.0;
    std::int64_t extremeUs = 0;
    // The faster of the last two steps in the direction of play, in clip seconds per second:
    // a turn or a loop cuts one step short.
    double pace = 0.0;
    double lastPace = 0.0;
    // The last step was a jump that started a pass. If the next goes the same way, the clip
    // plays that way (its pace may have changed): no second start.
    bool jumped = false;
    // While the time stays in the clip's first moments: the clip's start, as the first call of
    // that stay saw it; -1 outside them.
    std::int64_t zoneEntryUs = -1;
    // A time slightly below 0 waiting for the next to tell whether the clip began there.
    std::optional<std::int64_t> preRollUs;
    // Until the first start or "Test": an instance added to a playing clip joins it.
    bool joinArmed = true;

    std::int64_t lastFrameUs = -1;
    std::int64_t lastGapStartUs = -1;
    std::optional<double> timeAtLastFrame;
};
