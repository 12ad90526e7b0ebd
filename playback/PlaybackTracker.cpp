#include "playback/PlaybackTracker.h"

#include "platform/Milliseconds.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace
{
constexpr double kRestartToleranceSeconds = 0.05;
constexpr double kLateStartWindowSeconds = 2.0;
constexpr double kPreRollSeconds = 0.05;
constexpr double kHeldSeconds = 1e-6;
// How far a host's clock may step back besides a frame's travel; also the least step back that
// can be a jump.
constexpr double kWobbleSeconds = 0.005;
// The fastest speed an estimate may give: a faster one was a scrub's.
constexpr double kFastestSpeed = 16.0;
// No host plays faster: while the speed is not known, a step back further than this carries in
// the time is a jump.
constexpr double kFastestPlay = 8.0;
constexpr double kSlowestSpeed = 0.01;
// A step on this much beyond play's travel is a scrub: the speed is measured anew after it.
constexpr double kScrubSeconds = 0.1;
// Longer between two times is a gap, not a frame.
constexpr std::int64_t kLongestFrameUs = 250000;
constexpr std::int64_t kFrameGapUs = 500000;
constexpr std::int64_t kGapSpacingUs = 1500000;
// A time that moved no more than this across a gap, or a quarter of what play would have
// carried it, was stopped.
constexpr double kGapHeldSeconds = 0.002;

double Seconds(std::int64_t us)
{
    return static_cast<double>(us) / 1e6;
}
} // namespace

std::optional<PlaybackTracker::Start> PlaybackTracker::OnHostTime(double time, std::int64_t nowUs)
{
    if (!std::isfinite(time) || time < -kPreRollSeconds || time > kLongestTimeSeconds)
        return std::nullopt;
    if (time < 0.0)
    {
        if (!preRollUs)
            preRollUs = nowUs;
        return std::nullopt;
    }
    std::optional<Start> start;
    if (const std::optional<std::int64_t> preRoll = std::exchange(preRollUs, std::nullopt);
        preRoll && PreRollBegins(time, nowUs))
        start = PreRoll(*preRoll);
    const std::optional<Start> next = Step(Sample{time, nowUs});
    if (!start)
        start = next;
    startedSinceFrame = startedSinceFrame || start.has_value();
    return start;
}

std::optional<PlaybackTracker::Start> PlaybackTracker::Step(const Sample& sample)
{
    NoteInterval(sample.atUs);
    if (timesSinceStart)
        ++*timesSinceStart;
    highestSeen = std::max(highestSeen.value_or(sample.time), sample.time);
    lowestSeen = std::min(lowestSeen.value_or(sample.time), sample.time);
    std::optional<Gap> gap = std::exchange(pendingGap, std::nullopt);
    const Direction was = direction;
    const double before = CurrentTime().value_or(sample.time);
    const std::optional<Start> start = Judge(sample);
    // A gap across which the time stood: a stop, unless the clip turned inside it.
    if (start || !gap || direction != was)
        return start;
    // Stepped back, or stood (a stale time, or the clip still paused): the next time tells, for a
    // frame or two.
    const bool stood = std::abs(sample.time - before) <= kHeldSeconds;
    if (phase == Phase::Doubting || (stood && gap->timesAfter++ < 2))
    {
        pendingGap = gap;
        return std::nullopt;
    }
    // A time that stood across it but runs on from before it now was a stale one.
    return StoodThrough(*gap, sample.time) ? GapStart(*gap) : std::nullopt;
}

std::optional<PlaybackTracker::Start> PlaybackTracker::Judge(const Sample& sample)
{
    switch (phase)
    {
    case Phase::Waiting:
        BeginJoin(sample);
        return std::nullopt;
    case Phase::Joining:
        return Join(sample);
    case Phase::Playing:
        return Play(sample);
    case Phase::Doubting:
        return Resolve(sample);
    }
    return std::nullopt;
}

void PlaybackTracker::BeginJoin(const Sample& sample)
{
    phase = Phase::Joining;
    joinJumpedUp.reset();
    joinFirst = last = sample;
    joinLean.reset();
    speed.Restart(sample.time, sample.atUs);
}

std::optional<PlaybackTracker::Start> PlaybackTracker::Join(const Sample& sample)
{
    const double move = sample.time - last.time;
    if (std::abs(move) <= kHeldSeconds)
        return JoinHeld(sample);
    // Further back than the fastest play carries is a jump, read as on a clip playing forwards
    // (most do).
    if (-move > kFastestPlay * Seconds(sample.atUs - last.atUs) + kWobbleSeconds)
    {
        direction = Direction::Forward;
        return Jump(sample, ReachFor(sample.atUs - last.atUs));
    }
    // Further on than the fastest play carries: a scrub, or a clip playing backwards wrapped.
    // The next two times tell.
    if (sample.atUs > last.atUs &&
        move > kFastestPlay * Seconds(sample.atUs - last.atUs) + kWobbleSeconds)
    {
        BeginJoin(sample);
        joinJumpedUp = sample;
        return std::nullopt;
    }
    // A step no wobble makes tells the way at once; smaller ones, two the same way.
    const Direction way = move > 0.0 ? Direction::Forward : Direction::Backward;
    const bool again = std::exchange(joinLean, way) == way;
    if (way == Direction::Forward && (move > kWobbleSeconds || again))
        return JoinForward(sample);
    const Sample before = std::exchange(last, sample);
    if (way == Direction::Forward || !again)
        return std::nullopt;
    phase = Phase::Playing;
    direction = Direction::Backward;
    speed.Restart(before.time, before.atUs);
    speed.Add(sample.time, sample.atUs);
    UpdatePlaySpeed();
    previousInRun = before;
    // Joined just before a wrap: the pass began there.
    if (const std::optional<Sample> wrap = std::exchange(joinJumpedUp, std::nullopt))
    {
        outPoint = wrap->time;
        return Begin(wrap->atUs, wrap->time);
    }
    return std::nullopt;
}

std::optional<PlaybackTracker::Start> PlaybackTracker::JoinForward(const Sample& sample)
{
    phase = Phase::Playing;
    direction = Direction::Forward;
    const Sample first = joinFirst.time <= sample.time ? joinFirst : last;
    speed.Restart(first.time, first.atUs);
    speed.Add(sample.time, sample.atUs);
    UpdatePlaySpeed();
    const std::optional<PlaySpeed::Estimate> measured = speed.Current();
    const Reach reach =
        ReachFor(sample.atUs - last.atUs, measured ? measured->speed : PlayedSpeed());
    previousInRun = last;
    last = sample;
    if (!joinArmed)
        return std::nullopt;
    // In its first moments the clip counts from its beginning, a frame's travel or so before.
    if (first.time <= reach.zone)
        return Begin(Before(first, first.time, std::numeric_limits<std::int64_t>::min()),
                     sample.time);
    if (sample.time < kLateStartWindowSeconds)
        return Begin(sample.atUs, sample.time);
    return std::nullopt;
}

std::optional<PlaybackTracker::Start> PlaybackTracker::JoinHeld(const Sample& sample)
{
    const Sample from = std::exchange(last, sample);
    if (!joinArmed || sample.time > kRestartToleranceSeconds)
        return std::nullopt;
    // Parked at its beginning: the countdown runs from the first frame of the stay there.
    phase = Phase::Playing;
    direction = Direction::Forward;
    speed.Restart(sample.time, sample.atUs);
    return Begin(from.atUs - SecondsToWholeUs(from.time), from.time);
}

std::optional<PlaybackTracker::Start> PlaybackTracker::Play(const Sample& sample)
{
    const Reach reach = ReachFor(sample.atUs - last.atUs);
    const double back = -Along(sample.time - last.time);
    const bool landed = jumpLandedUs == last.atUs;
    // The next frame after a jump, the very time from before it again: a decoder's stale one.
    if (landed && sample.atUs - last.atUs <= 2 * FrameIntervalUs() &&
        std::abs(sample.time - jumpedFrom.time) <= kHeldSeconds)
        return std::nullopt;
    if (back <= kHeldSeconds)
    {
        MoveOn(sample);
        return std::nullopt;
    }
    if (landed && back > reach.wobble) // on from a jump the other way: it plays that way now
    {
        direction = direction == Direction::Forward ? Direction::Backward : Direction::Forward;
        MoveOn(sample);
        return std::nullopt;
    }
    if (back > reach.turn)
        return Jump(sample, reach);
    const StepBack kind = back <= reach.wobble ? StepBack::Wobble : StepBack::Wide;
    if (kind == StepBack::Wide && loopsInARow >= 2) // a clip that loops looped inside the gap
        return Jump(sample, reach);
    phase = Phase::Doubting;
    doubted = sample;
    doubtedKind = kind;
    return std::nullopt;
}

std::optional<PlaybackTracker::Start> PlaybackTracker::Resolve(const Sample& sample)
{
    const Sample before = last;
    const Sample stepped = doubted;
    phase = Phase::Playing;
    const double further = -Along(sample.time - stepped.time);
    if (std::abs(further) <= kHeldSeconds) // it stands: the next that moves tells
    {
        phase = Phase::Doubting;
        return std::nullopt;
    }
    if (further > kHeldSeconds)
    {
        if (further <= ReachFor(sample.atUs - stepped.atUs).turn)
            return Turn(before, stepped, sample);
        return Play(sample); // the step back was the clock's; this one is judged on its own
    }
    if (doubtedKind == StepBack::Wide) // a loop, wrap or scrub inside the gap
    {
        const std::optional<Start> start = Jump(stepped, ReachFor(stepped.atUs - before.atUs));
        MoveOn(sample);
        return start;
    }
    // The clock's wobble: the time before it holds, unless the clip goes on from the step back
    // (the clock set itself back a little).
    const double v = PlayedSpeed();
    const double offOld = sample.time - before.time - Along(v * Seconds(sample.atUs - before.atUs));
    const double offNew =
        sample.time - stepped.time - Along(v * Seconds(sample.atUs - stepped.atUs));
    if (std::abs(offNew) < std::abs(offOld))
    {
        last = stepped;
        previousInRun.reset();
        speed.Restart(stepped.time, stepped.atUs);
    }
    MoveOn(sample);
    return std::nullopt;
}

void PlaybackTracker::MoveOn(const Sample& sample)
{
    const double along = Along(sample.time - last.time);
    // A step far beyond play's travel at the speed measured so far is a scrub.
    const std::optional<PlaySpeed::Estimate> measured = speed.Current();
    const std::optional<double> pace = measured ? std::optional(measured->speed)
                                       : played ? std::optional(played->speed)
                                                : std::nullopt;
    const bool scrubbed =
        pace && along > 2.0 * *pace * Seconds(sample.atUs - last.atUs) + kScrubSeconds;
    if (along <= kHeldSeconds && !std::exchange(heldOnce, true))
        return; // one time that stands may be a decoder's stale one: the next tells
    heldOnce = along <= kHeldSeconds;
    if (IsGap(sample.atUs - last.atUs))
    {
        // After a gap the clip may have turned: the speed is measured anew, and the line before
        // the gap is what a turn found next is dated against.
        speed.Restart(sample.time, sample.atUs);
        previousInRun = last;
    }
    else if (along <= kHeldSeconds || scrubbed)
    {
        // Standing, or scrubbed on: the run starts anew from here.
        speed.Restart(sample.time, sample.atUs);
        previousInRun.reset();
    }
    else
    {
        speed.Add(sample.time, sample.atUs);
        UpdatePlaySpeed();
        previousInRun = last;
    }
    last = sample;
}

void PlaybackTracker::UpdatePlaySpeed()
{
    // A few times may lie across a turn the next time shows: four make a speed to keep.
    if (const std::optional<PlaySpeed::Estimate> estimate = speed.Current();
        speed.Times() >= 4 && estimate && estimate->speed > kSlowestSpeed &&
        estimate->speed < kFastestSpeed)
        played = *estimate;
}

std::optional<PlaybackTracker::Start> PlaybackTracker::Jump(const Sample& sample,
                                                            const Reach& reach)
{
    const std::optional<double> beginning = PassBeginning(sample.time, reach);
    // Dated by the speed before the jump, no earlier than the last time of the pass before.
    const std::int64_t anchor =
        beginning ? Before(sample, std::abs(sample.time - *beginning), last.atUs) : sample.atUs;
    // A clip just joined may play at any speed: only a beginning it explains is a lesson.
    if (beginning || phase != Phase::Joining)
        Learn(sample.time, beginning);
    // From the far end of the clip to where passes begin: the clip loops (not a re-trigger).
    const double farEnd =
        direction == Direction::Forward ? highestSeen.value_or(0.0) : -lowestSeen.value_or(0.0);
    const bool fromFarEnd = Along(last.time) >= farEnd - reach.zone;
    loopsInARow = beginning && fromFarEnd ? loopsInARow + 1 : 0;
    jumpedFrom = last;
    phase = Phase::Playing;
    speed.Restart(sample.time, sample.atUs);
    previousInRun.reset();
    last = sample;
    jumpLandedUs = sample.atUs;
    return Begin(anchor, sample.time);
}

std::optional<PlaybackTracker::Start>
PlaybackTracker::Turn(const Sample& before, const Sample& after, const Sample& confirm)
{
    const Meeting meeting = MeetingOf(before, after, confirm);
    const bool bottom = direction == Direction::Backward;
    direction = bottom ? Direction::Forward : Direction::Backward;
    phase = Phase::Playing;
    loopsInARow = 0;
    speed.Restart(after.time, after.atUs);
    speed.Add(confirm.time, confirm.atUs);
    previousInRun = after;
    last = confirm;
    // Where it turned, no further out than the times seen.
    if (!bottom)
    {
        outPoint = std::min(meeting.time, std::max(before.time, after.time));
        return std::nullopt;
    }
    inPoint = std::max({0.0, meeting.time, std::min(before.time, after.time)});
    // Turned where a jump began the pass, or a frame or two after a start: the same pass, read
    // through an odd time.
    if (jumpLandedUs == before.atUs || (timesSinceStart && *timesSinceStart <= 3))
        return std::nullopt;
    return Begin(meeting.atUs, before.time);
}

PlaybackTracker::Meeting PlaybackTracker::MeetingOf(const Sample& before, const Sample& after,
                                                    const Sample& confirm) const
{
    // The line of the run before the turn meets the line through the times after it. The last
    // time of the run may lie after the turn already (a turn between two frames): then the run
    // without it meets the line through it and the times after.
    const Sample rising{(after.time + confirm.time) / 2, (after.atUs + confirm.atUs) / 2};
    const std::optional<PlaySpeed::Point> run = speed.Centre(false);
    const Sample ahead = run ? Sample{run->time, run->atUs} : previousInRun.value_or(before);
    const Meeting plain = Meet(ahead, rising);
    if (!run) // after a gap: anywhere since the time before it
        return Meeting{std::clamp(plain.atUs, ahead.atUs, after.atUs), plain.time};
    if (plain.atUs >= before.atUs)
        return Meeting{std::min(plain.atUs, after.atUs), plain.time};
    const std::optional<PlaySpeed::Point> shorter = speed.Centre(true);
    if (!shorter)
        return Meeting{before.atUs, plain.time};
    const Sample risingFrom{(before.time + after.time + confirm.time) / 3,
                            (before.atUs + after.atUs + confirm.atUs) / 3};
    const Meeting earlier = Meet(Sample{shorter->time, shorter->atUs}, risingFrom);
    return Meeting{std::clamp(earlier.atUs, shorter->atUs, before.atUs), earlier.time};
}

PlaybackTracker::Meeting PlaybackTracker::Meet(const Sample& ahead, const Sample& after) const
{
    // Half the time between them is spent at the speed less the way the times differ: dated by
    // whichever end of the speed's margin makes it later.
    const double way = direction == Direction::Forward ? 1.0 : -1.0;
    const double differ = way * (after.time - ahead.time);
    const double v = DatingSpeed(differ > 0.0 ? Margin::Slower : Margin::Faster);
    const double meetUs =
        0.5 * (static_cast<double>(ahead.atUs) + static_cast<double>(after.atUs)) +
        differ / (2.0 * v) * 1e6;
    const std::int64_t atUs = static_cast<std::int64_t>(std::ceil(meetUs));
    return Meeting{atUs, ahead.time + way * v * Seconds(atUs - ahead.atUs)};
}

std::optional<PlaybackTracker::Start> PlaybackTracker::PreRoll(std::int64_t atUs)
{
    phase = Phase::Playing;
    direction = Direction::Forward;
    last = Sample{0.0, atUs};
    speed.Restart(0.0, atUs);
    previousInRun.reset();
    inPoint = 0.0;
    jumpLandedUs = atUs;
    return Begin(atUs, 0.0);
}

bool PlaybackTracker::PreRollBegins(double time, std::int64_t nowUs) const
{
    // The clip was at its beginning already, or goes on from there.
    const Reach reach = ReachFor(lastTimeUs ? nowUs - *lastTimeUs : 0);
    const std::optional<double> current = CurrentTime();
    return (current && *current <= reach.zone) ||
           (direction == Direction::Forward && time <= reach.zone);
}

bool PlaybackTracker::StoodThrough(const Gap& gap, double time) const
{
    // Moved on about as play would carry it: a stall of the same pass.
    return !gap.timeBefore ||
           std::abs(time - *gap.timeBefore) <=
               std::max(kGapHeldSeconds, 0.25 * PlayedSpeed() * Seconds(gap.lengthUs));
}

std::optional<PlaybackTracker::Start> PlaybackTracker::GapStart(const Gap& gap)
{
    if (lastGapStartUs && gap.frameUs - *lastGapStartUs <= kGapSpacingUs)
        return std::nullopt;
    lastGapStartUs = gap.frameUs;
    return Begin(gap.frameUs, gap.time.value_or(0.0));
}

std::optional<PlaybackTracker::Start> PlaybackTracker::Begin(std::int64_t anchorUs, double time)
{
    joinArmed = false;
    timesSinceStart = 0;
    return Start{anchorUs, time};
}

std::optional<double> PlaybackTracker::PassBeginning(double time, const Reach& reach) const
{
    if (direction == Direction::Backward)
    {
        if (outPoint && time <= *outPoint + kWobbleSeconds && *outPoint - time <= reach.zone)
            return std::max(*outPoint, time);
        return std::nullopt;
    }
    if (inPoint && time >= *inPoint - kWobbleSeconds && time - *inPoint <= reach.zone)
        return std::min(*inPoint, time);
    // In the clip's first moments, a frame's travel from 0: it begins at 0. (After a gap the time
    // may be anywhere: only an in point seen tells where it began.)
    if (time <= ReachFor(FrameIntervalUs()).zone)
        return 0.0;
    return std::nullopt;
}

void PlaybackTracker::Learn(double time, std::optional<double> beginning)
{
    // No jump lands before the in point (forwards) or beyond the out point (backwards).
    const double landing = beginning.value_or(time);
    if (direction == Direction::Forward)
        inPoint = std::min(inPoint.value_or(landing), landing);
    else
        outPoint = std::max(outPoint.value_or(landing), landing);
}

PlaybackTracker::Reach PlaybackTracker::ReachFor(std::int64_t sinceUs, double v) const
{
    Reach reach;
    reach.turn = 1.5 * v * Seconds(std::max<std::int64_t>(0, sinceUs)) + kWobbleSeconds;
    reach.wobble = std::min(reach.turn, 1.5 * v * Seconds(FrameIntervalUs()) + kWobbleSeconds);
    reach.zone = std::max(kRestartToleranceSeconds, reach.turn);
    return reach;
}

double PlaybackTracker::DatingSpeed(Margin margin) const
{
    // A run of fewer than four times (just after a gap, a turn or a jump) measures less well
    // than the speed kept from before it.
    const std::optional<PlaySpeed::Estimate> estimate = speed.Current();
    const PlaySpeed::Estimate known = played && (!estimate || speed.Times() < 4)
                                          ? *played
                                          : estimate.value_or(PlaySpeed::Estimate{1.0, 0.0});
    const double off = std::min(known.uncertainty, 0.5);
    return std::max(known.speed * (margin == Margin::Faster ? 1.0 + off : 1.0 - off),
                    kSlowestSpeed);
}

std::int64_t PlaybackTracker::Before(const Sample& sample, double distance,
                                     std::int64_t floorUs) const
{
    // Truncated: a beginning dated a microsecond late rather than early.
    const double seconds = std::min(distance / DatingSpeed(Margin::Faster), kLongestTimeSeconds);
    return std::max(floorUs, sample.atUs - static_cast<std::int64_t>(seconds * 1e6));
}

void PlaybackTracker::NoteInterval(std::int64_t atUs)
{
    const std::optional<std::int64_t> previous = std::exchange(lastTimeUs, atUs);
    if (!previous || atUs - *previous > kLongestFrameUs)
        return;
    intervalsUs[nextInterval] = std::max<std::int64_t>(0, atUs - *previous);
    nextInterval = (nextInterval + 1) % intervalsUs.size();
}

bool PlaybackTracker::IsGap(std::int64_t sinceUs) const
{
    return sinceUs > std::max(kLongestFrameUs, 5 * FrameIntervalUs() / 2);
}

std::int64_t PlaybackTracker::FrameIntervalUs() const
{
    return *std::max_element(intervalsUs.begin(), intervalsUs.end());
}

std::optional<double> PlaybackTracker::CurrentTime() const
{
    if (phase == Phase::Waiting)
        return std::nullopt;
    return phase == Phase::Doubting ? doubted.time : last.time;
}

std::optional<PlaybackTracker::Start> PlaybackTracker::OnFrame(std::int64_t nowUs)
{
    const std::optional<std::int64_t> previous = std::exchange(lastFrameUs, nowUs);
    const std::optional<double> time = CurrentTime();
    const std::optional<double> before = std::exchange(timeAtLastFrame, time);
    const bool started = std::exchange(startedSinceFrame, false);
    if (!previous || nowUs - *previous <= kFrameGapUs || started)
        return std::nullopt;
    const Gap gap{nowUs, nowUs - *previous, before, time};
    if (!time) // a host that gives no time
        return GapStart(gap);
    if (StoodThrough(gap, *time)) // or turned inside it: the next time tells
        pendingGap = gap;
    return std::nullopt;
}

void PlaybackTracker::OnTest()
{
    if (phase != Phase::Waiting)
        joinArmed = false;
}
