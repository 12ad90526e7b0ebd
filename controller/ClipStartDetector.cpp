#include "controller/ClipStartDetector.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace
{
constexpr double kRestartToleranceSeconds = 0.05;
constexpr double kLateStartWindowSeconds = 2.0;
// Hosts that take clip time from an audio clock step it unevenly, now and then a fraction of
// a millisecond back; a re-trigger jumps back by at least a frame's worth.
constexpr double kJitterSeconds = 0.002;
// How far below 0 a host may start a clip (a pre-roll).
constexpr double kPreRollSeconds = 0.05;
// Play carries the time no further than this between two calls, whatever the pace: further
// is a jump, and does not widen the clip's first moments.
constexpr double kLongestReachSeconds = 0.25;
constexpr double kFastestPace = 16.0;
constexpr std::int64_t kFrameGapUs = 500000;
constexpr std::int64_t kGapSpacingUs = 1500000;

std::int64_t Microseconds(double seconds)
{
    return static_cast<std::int64_t>(seconds * 1e6);
}
} // namespace

std::optional<ClipStartDetector::Start> ClipStartDetector::OnHostTime(double time,
                                                                      std::int64_t nowUs)
{
    if (!std::isfinite(time) || time < -kPreRollSeconds)
        return std::nullopt;
    if (time < 0.0)
    {
        if (!preRollUs)
            preRollUs = nowUs;
        return std::nullopt;
    }
    // The pre-roll was the clip's beginning when the time was there already, or when a forward
    // clip goes on from there; otherwise it was a stray value in the middle of a clip.
    std::optional<Start> start;
    const std::optional<std::int64_t> preRoll = std::exchange(preRollUs, std::nullopt);
    if (preRoll && ((primed && last <= Zone(*preRoll)) ||
                    (direction == Direction::Forward && time <= Zone(nowUs))))
        start = Step(0.0, *preRoll);
    const std::optional<Start> next = Step(time, nowUs);
    return start ? start : next;
}

std::optional<ClipStartDetector::Start> ClipStartDetector::Step(double time, std::int64_t nowUs)
{
    if (!primed) // the first time only tells where the clip is
    {
        primed = true;
        last = extreme = time;
        lastUs = extremeUs = nowUs;
        zoneEntryUs = time <= Zone(nowUs) ? nowUs - Microseconds(time) : -1;
        return std::nullopt;
    }
    if (time > Zone(nowUs))
        zoneEntryUs = -1;
    else if (zoneEntryUs < 0)
        zoneEntryUs = nowUs - Microseconds(time);
    const std::optional<Start> start =
        direction == Direction::Forward ? StepForward(time, nowUs) : StepBackward(time, nowUs);
    last = time;
    lastUs = nowUs;
    return start;
}

std::optional<ClipStartDetector::Start> ClipStartDetector::StepForward(double time,
                                                                       std::int64_t nowUs)
{
    if (time >= extreme - kJitterSeconds)
    {
        if (time > extreme)
            Extend(time, nowUs);
        if (!joinArmed || time >= kLateStartWindowSeconds)
            return std::nullopt;
        // Joined in the clip's first moments, the delays count from the clip's start.
        return Begin(time <= Zone(nowUs) ? zoneEntryUs : nowUs, time);
    }
    const double fall = extreme - time;
    const bool turning = fall <= Zone(nowUs);
    extreme = time;
    extremeUs = nowUs;
    if (std::exchange(jumped, false)) // falling on after a fall that started a pass: backwards
        return Turn(Direction::Backward, time, nowUs);
    if (time <= Zone(nowUs)) // back to the clip's beginning: it looped or was triggered again
    {
        zoneEntryUs = nowUs - Microseconds(time);
        return Jump(zoneEntryUs, time);
    }
    if (!turning) // scrubbed back
        return Jump(nowUs, time);
    return Turn(Direction::Backward, time, nowUs); // a ping-pong clip turning at its end
}

std::optional<ClipStartDetector::Start> ClipStartDetector::StepBackward(double time,
                                                                        std::int64_t nowUs)
{
    if (time <= extreme + kJitterSeconds)
    {
        if (time < extreme)
            Extend(time, nowUs);
        return std::nullopt;
    }
    const Start bottom{extremeUs - Microseconds(extreme), extreme};
    const bool atBeginning = extreme <= Zone(nowUs);
    const bool turning = time - extreme <= Zone(nowUs);
    extreme = time;
    extremeUs = nowUs;
    if (std::exchange(jumped, false)) // rising on after a rise that started a pass: forwards
        return Turn(Direction::Forward, time, nowUs);
    if (!turning) // wrapped from the clip's beginning to its end
        return Jump(nowUs, time);
    // Turning: a ping-pong pass starts at the frame of its lowest time.
    Turn(Direction::Forward, time, nowUs);
    return atBeginning ? Begin(bottom.anchorUs, bottom.hostTime) : std::nullopt;
}

std::optional<ClipStartDetector::Start> ClipStartDetector::Turn(Direction to, double time,
                                                                std::int64_t nowUs)
{
    direction = to;
    // Part of a step on each side of the turn: the pace before it still holds.
    lastPace = std::min(StepPace(time, nowUs), kFastestPace);
    pace = std::max(pace, lastPace);
    return std::nullopt;
}

std::optional<ClipStartDetector::Start> ClipStartDetector::Jump(std::int64_t anchorUs, double time)
{
    jumped = true;
    return Begin(anchorUs, time);
}

void ClipStartDetector::Extend(double time, std::int64_t nowUs)
{
    jumped = false;
    const double stepPace = std::min(StepPace(time, nowUs), kFastestPace);
    pace = std::max(stepPace, std::exchange(lastPace, stepPace));
    extreme = time;
    extremeUs = nowUs;
}

std::optional<ClipStartDetector::Start> ClipStartDetector::Begin(std::int64_t anchorUs, double time)
{
    joinArmed = false;
    return Start{anchorUs, time};
}

double ClipStartDetector::StepPace(double time, std::int64_t nowUs) const
{
    return nowUs > lastUs ? std::abs(time - last) * 1e6 / static_cast<double>(nowUs - lastUs) : 0.0;
}

double ClipStartDetector::Reach(std::int64_t nowUs) const
{
    const double seconds = static_cast<double>(std::max<std::int64_t>(0, nowUs - lastUs)) / 1e6;
    return std::min(pace * seconds, kLongestReachSeconds);
}

double ClipStartDetector::Zone(std::int64_t nowUs) const
{
    return std::max(kRestartToleranceSeconds, 1.5 * Reach(nowUs));
}

std::optional<ClipStartDetector::Start> ClipStartDetector::OnFrame(std::int64_t nowUs)
{
    const std::int64_t previous = std::exchange(lastFrameUs, nowUs);
    const std::optional<double> time = primed ? std::optional(last) : std::nullopt;
    const std::optional<double> before = std::exchange(timeAtLastFrame, time);
    const std::int64_t interval = previous < 0 ? 0 : nowUs - previous;
    const double seconds = static_cast<double>(interval) / 1e6;
    if (interval <= kFrameGapUs)
        return std::nullopt;
    // A time that ran on through the gap at anything like the clip's pace is the same pass,
    // drawn late (a render stall). One that stayed, or moved a frame's worth, was stopped.
    const double ranOnBeyond = std::max(kJitterSeconds, 0.5 * pace * seconds);
    if (time && before && std::abs(*time - *before) > ranOnBeyond)
        return std::nullopt;
    if (lastGapStartUs >= 0 && nowUs - lastGapStartUs <= kGapSpacingUs)
        return std::nullopt;
    lastGapStartUs = nowUs;
    return Begin(nowUs, time ? *time : 0.0);
}
