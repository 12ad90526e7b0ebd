#include "playback/PlaybackTracker.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

namespace
{
// A step back of this much or less is no start unless it lands where passes begin; forwards,
// where no in point is learnt, passes begin within this much of 0.
constexpr double kRestartToleranceSeconds = 0.05;
constexpr double kLateStartWindowSeconds = 2.0;
constexpr double kPreRollSeconds = 0.05;
constexpr double kHeldSeconds = 1e-6;
// A step back of this much or less is a clock's wobble, never a start.
constexpr double kWobbleSeconds = 0.005;
// How far from a point a time may lie and still be at it.
constexpr double kPointSlackSeconds = 0.001;
// While the way the clip plays is not known, a step back further than the fastest play carries
// is a jump.
constexpr double kFastestPlay = 16.0;
// A step on this much beyond twice play's travel is a scrub.
constexpr double kScrubSeconds = 0.1;
// Steps back this close together are one hand's gesture.
constexpr std::int64_t kScrubSettleUs = 150000;
// Longer between two times is a gap, not a frame.
constexpr std::int64_t kLongestFrameUs = 250000;
constexpr std::int64_t kFrameGapUs = 500000;
constexpr std::int64_t kGapSpacingUs = 1500000;
// A time that moved no more than this across a gap, or a quarter of what play would have
// carried it, was stopped.
constexpr double kGapHeldSeconds = 0.002;
// How long the first times of a pass date its beginning: long enough to measure the speed well,
// short enough that the speed held.
constexpr std::int64_t kDatingUs = 250000;
constexpr std::int64_t kGapDatingUs = 1000000;
// A pass whose run moved its beginning by less than this is not dated anew.
constexpr std::int64_t kRedateUs = 50;
constexpr double kSlowestSpeed = 0.01;
// The least a turn goes back in all by its second time: more than a parked clip's jitter.
constexpr double kTurnLeast = 0.0005;
// Steps the other way in a row, each like the one before, that are play, not a hand's steps.
constexpr int kSteadySteps = 3;
// A time given again this soon is the same frame's.
constexpr std::int64_t kRepeatUs = 4000;
// How much faster than measured a clip may play, where a frame's travel says whether it is at a
// point: a few late calls bend a short run's speed that much.
constexpr double kSpeedMargin = 1.25;
constexpr double kFastestMeasured = 64.0;
// An interval longer than a frame is the host's rhythm when within this many times the one
// before it (a host giving times a few a second), not one hole after frames.
constexpr std::int64_t kRhythmSpread = 4;

constexpr std::int64_t kLatenessUs = SpeedBounds::kCallLatenessUs;

double Seconds(std::int64_t us)
{
    return static_cast<double>(us) / 1e6;
}
} // namespace

std::optional<PlaybackTracker::Start> PlaybackTracker::OnHostTime(double time, std::int64_t nowUs)
{
    if (!std::isfinite(time) || time < -kPreRollSeconds || time > kLongestTimeSeconds)
        return std::nullopt;
    NoteCall(nowUs);
    const std::optional<Start> settled = Decide(nowUs);
    // Below 0 just after a step back to the clip's beginning: it stays there (a pre-roll), so
    // the step turned nowhere.
    if (time < 0.0 && doubted && doubted->time <= kPreRollSeconds)
        return Then(settled, Take(Sample{doubted->time, nowUs}));
    // Below 0 from a pass's first moments at the clip's beginning: a pre-roll that re-syncs, the
    // clock set back; the pass goes on.
    if (time < 0.0 && phase == Phase::Playing && direction == Direction::Forward &&
        last.time <= kPreRollSeconds && passFarthest.value_or(0.0) <= kPreRollSeconds)
    {
        Resync(Sample{0.0, nowUs});
        return settled;
    }
    // A pre-roll is the clip's beginning where the clip is there already, or goes on from there
    // (a launch); elsewhere it is no time.
    if (time < 0.0 && phase != Phase::Waiting && last.time > kRestartToleranceSeconds &&
        !preRoll)
    {
        preRoll = Sample{0.0, nowUs};
        return settled;
    }
    const Sample sample{std::max(time, 0.0), nowUs};
    // The same reading given twice in a frame tells nothing new.
    if (lastGiven && lastGiven->time == time && nowUs - lastGiven->atUs < kRepeatUs)
        return settled;
    lastGiven = Sample{time, nowUs};
    std::optional<Start> judged;
    // Two in a row below 0, or one going on from 0 at any speed (a launch brings its own): a
    // launch.
    if (const std::optional<Sample> roll = std::exchange(preRoll, std::nullopt);
        roll && sample.time <= kRestartToleranceSeconds + Travel(roll->atUs, nowUs, kFastestPlay))
        judged = Take(*roll);
    return Then(Then(settled, judged), Take(sample));
}

std::optional<PlaybackTracker::Start> PlaybackTracker::Take(const Sample& sample)
{
    NoteInterval(sample.atUs);
    const std::optional<Start> start = Step(sample);
    if (!stay || std::abs(sample.time - stay->time) > kPointSlackSeconds)
        stay = sample;
    return start;
}

std::optional<PlaybackTracker::Start> PlaybackTracker::OnFrame(std::int64_t nowUs)
{
    NoteCall(nowUs);
    const std::optional<std::int64_t> previous = std::exchange(lastFrameUs, nowUs);
    if (const std::optional<Start> settled = Decide(nowUs))
        return settled;
    // Going down, a rise further than the clock re-syncs, and then no time a while: a bottom
    // turn, or a jump up, a pass either way; dated as a turn.
    if (doubted && phase == Phase::Playing && direction == Direction::Backward &&
        nowUs - doubted->atUs >= kLongestFrameUs &&
        Along(last.time - doubted->time) > kRestartToleranceSeconds)
    {
        const Sample stepped = *std::exchange(doubted, std::nullopt);
        return Turn(last, stepped, stepped, runBounds.SecondsPerClipSecond(), kDatingUs);
    }
    if (const std::optional<Start> held = HoldGesture(nowUs))
        return held;
    // A host that gives no time: only its frames tell.
    if (phase == Phase::Waiting && previous && nowUs - *previous > kFrameGapUs)
        return GapStart(nowUs, 0.0);
    return std::nullopt;
}

void PlaybackTracker::OnTest()
{
    if (phase != Phase::Waiting)
        joinArmed = false;
}

void PlaybackTracker::NoteCall(std::int64_t nowUs)
{
    const std::optional<std::int64_t> previous = std::exchange(lastCallUs, nowUs);
    if (!previous || nowUs - *previous <= kFrameGapUs || phase == Phase::Waiting)
        return;
    quiet = Quiet{nowUs, last, std::nullopt};
}

std::optional<PlaybackTracker::Start> PlaybackTracker::Step(const Sample& sample)
{
    if (quiet && phase != Phase::Waiting)
        return AfterQuiet(sample);
    switch (phase)
    {
    case Phase::Waiting:
        BeginJoin(sample);
        return std::nullopt;
    case Phase::Joining:
        return Join(sample);
    case Phase::Playing:
        return Play(sample);
    }
    return std::nullopt;
}

std::optional<PlaybackTracker::Start> PlaybackTracker::AfterQuiet(const Sample& sample)
{
    const Sample before = quiet->before.value_or(last);
    const double moved = Along(sample.time - before.time);
    if (!quiet->firstAfter)
    {
        // Held, or on a little (it played up to the pause): stopped, or a stale time of a clip
        // that ran on. The next time tells. Anything else is judged as after any gap.
        // (Where no speed was measured yet, the fastest its few times allow.)
        const double speed = knownSpeed ? *knownSpeed : SureFastest(2).value_or(0.0);
        const double crept = 0.25 * speed * Seconds(sample.atUs - before.atUs);
        if (std::abs(moved) <= kGapHeldSeconds || (moved > 0.0 && moved <= crept))
        {
            quiet->firstAfter = sample;
            return std::nullopt;
        }
        quiet.reset();
        return phase == Phase::Joining ? Join(sample) : Play(sample);
    }
    const Quiet stopped = *quiet;
    quiet.reset();
    const Sample first = *stopped.firstAfter;
    // Where play from before the gap would be now: the clip ran on, its first time was stale.
    const double gap = Seconds(sample.atUs - before.atUs);
    const double ranOn = Along(before.time) + Speed() * gap;
    const bool stale = std::abs(Along(sample.time) - ranOn) <=
                       0.02 * Speed() * gap + kRestartToleranceSeconds;
    // Back from the time after the gap: the clip turned inside it (a slow clip's turn shows in
    // less than the clock's wobble; so does one whose first time had moved, which then steps
    // back at all). A clip that goes on from there was stopped and is shown again.
    const bool turned = Along(sample.time - first.time) < -TurnWobble();
    const bool creptBack = std::abs(first.time - before.time) > kGapHeldSeconds &&
                           Along(sample.time - first.time) < -kGapHeldSeconds;
    if (phase == Phase::Playing && (stale || turned || creptBack))
    {
        if (turned || (creptBack && !stale))
            Play(first);
        return Play(sample);
    }
    // Stopped and shown again.
    ToPlaying(direction, sample);
    return GapStart(stopped.endUs, first.time);
}

void PlaybackTracker::BeginJoin(const Sample& sample)
{
    phase = Phase::Joining;
    joinFirst = last = sample;
    joinLean.reset();
    joinJumpedUp = false;
    Restart(sample);
}

std::optional<PlaybackTracker::Start> PlaybackTracker::Join(const Sample& sample)
{
    const double move = sample.time - last.time;
    const double fastest = Travel(last.atUs, sample.atUs, kFastestPlay) + kWobbleSeconds;
    if (std::abs(move) <= kHeldSeconds ||
        (joinFirst.time <= kRestartToleranceSeconds && std::abs(move) <= kWobbleSeconds))
    {
        // Parked at its beginning (a jitter there too): the countdown runs from the first time
        // of the stay there.
        if (!joinArmed || joinFirst.time > kRestartToleranceSeconds)
            return std::nullopt;
        ToPlaying(Direction::Forward, sample);
        return BeginFixed(joinFirst.atUs, sample.time);
    }
    // Further back than any play, or back to the clip's first moments: a jump, on a clip taken
    // to play forwards (most do).
    if (-move > fastest || (-move > kRestartToleranceSeconds &&
                            sample.time <= kRestartToleranceSeconds))
    {
        ToPlaying(Direction::Forward, last);
        return JumpBack(sample);
    }
    // Further on than any play (and than calls back to back in a clip's first moments show): a
    // scrub, or a clip playing backwards wrapped. The next times tell.
    // Joined in the clip's first seconds: where the next time is the first to move on from the
    // join's (or from times given back to back with it: a re-sync in the same frame), however
    // long the host sent none, the join's tells where the clip was.
    const bool jumpedUp = move > std::max(fastest, kRestartToleranceSeconds);
    const double shown =
        last.atUs - joinFirst.atUs <= kRepeatUs ? joinFirst.time : sample.time;
    if (move > 0.0 && !jumpedUp && joinArmed && shown < kLateStartWindowSeconds &&
        !joinJumpedUp)
        return JoinForward(sample);
    if (jumpedUp)
    {
        const Sample from = last;
        BeginJoin(sample);
        joinJumpedUp = true;
        joinJumpedFrom = from;
        return std::nullopt;
    }
    // A step no wobble makes tells the way at once; smaller ones, two the same way.
    const Direction way = move > 0.0 ? Direction::Forward : Direction::Backward;
    const bool wentBack = joinLean == Direction::Backward;
    const bool again = std::exchange(joinLean, way) == way;
    if (way == Direction::Forward && (move > kWobbleSeconds || again))
    {
        // Up after a step back further than a re-sync: that step was a jump back (a scrub),
        // judged as one now that the way it plays shows.
        if (wentBack && joinFirst.time - last.time > kRestartToleranceSeconds)
        {
            const Sample landing = last;
            ToPlaying(way, joinFirst);
            const std::optional<Start> start = JumpBack(landing); // before the time after it
            return Then(start, Play(sample));
        }
        ToPlaying(way, sample);
        return std::nullopt;
    }
    if (way == Direction::Forward || !again)
    {
        last = sample;
        return std::nullopt;
    }
    // Joined as the clip wrapped: the pass began there, dated as any wrap is.
    Jump wrap;
    wrap.from = joinJumpedFrom;
    wrap.landing = wrap.times[0] = joinFirst;
    wrap.times[1] = last;
    wrap.times[2] = sample;
    wrap.count = 3;
    const std::optional<PlaySpeed::Estimate> measured = run.Current();
    ToPlaying(way, sample);
    if (!joinJumpedUp || !joinArmed)
        return std::nullopt;
    return Loop(wrap.from, wrap.landing, measured ? measured->speed : Speed(),
                SpeedBounds::Range{}, &wrap);
}

std::optional<PlaybackTracker::Start> PlaybackTracker::JoinForward(const Sample& sample)
{
    // Where its in point lies, from 0 to the first time, is not known: counted from that time.
    // Up after a clear step down a frame on (not a re-sync back to back), it turned or wrapped
    // since that step: counted from this time.
    const bool turned = joinLean == Direction::Backward &&
                        joinFirst.time - last.time > kWobbleSeconds &&
                        last.atUs - joinFirst.atUs > kRepeatUs;
    const std::int64_t from = turned ? sample.atUs : joinFirst.atUs;
    ToPlaying(Direction::Forward, sample);
    return BeginFixed(from, sample.time);
}

void PlaybackTracker::ToPlaying(Direction way, const Sample& from)
{
    phase = Phase::Playing;
    direction = way;
    doubted.reset();
    Restart(from);
}

void PlaybackTracker::Restart(const Sample& sample)
{
    runFromStand = false;
    legFromTopTurn = false;
    last = sample;
    passFarthest = std::max(passFarthest.value_or(Along(sample.time)), Along(sample.time));
    run.Restart(sample.time, sample.atUs);
    runBounds.Restart();
    runBounds.Add(Along(sample.time), sample.atUs);
    brokenRun.reset();
}

void PlaybackTracker::AddToRun(const Sample& sample)
{
    // It moved at some moment after the time it last stood at: that time bounds no speed.
    if (runFromStand)
    {
        Restart(sample);
        return;
    }
    // A run that no one speed explains goes on from its last time: the speed changed since the
    // time before, maybe between the two (a pair across the change fits neither speed), or it
    // turned unseen; a line through both sides would measure neither.
    if (runBounds.Add(Along(sample.time), sample.atUs))
        run.Add(sample.time, sample.atUs);
    else
    {
        brokenRun = std::pair{last, runBounds.SecondsPerClipSecond()};
        runBounds.Restart();
        runBounds.Add(Along(sample.time), sample.atUs);
        run.Restart(sample.time, sample.atUs);
    }
    passFarthest = std::max(passFarthest.value_or(Along(sample.time)), Along(sample.time));
    // The middle of the sure bounds, where the run is long enough to have them both; else the
    // line through its last few times.
    const SpeedBounds::Range& sure = runBounds.SecondsPerClipSecond();
    std::optional<double> measured;
    if (runBounds.Times() >= 3 && sure.least > 0.0 && std::isfinite(sure.most))
        measured = 2.0 / (sure.least + sure.most);
    else if (const std::optional<PlaySpeed::Estimate> estimate = run.Current();
             run.Times() >= 4 && estimate)
        measured = estimate->speed;
    if (measured && *measured > kSlowestSpeed && *measured < kFastestMeasured)
        knownSpeed = measured;
    last = sample;
}

std::optional<PlaybackTracker::Start> PlaybackTracker::Play(const Sample& sample)
{
    if (PlaysAgainst(sample))
        return std::nullopt;
    // A step back, then a gap after which the time went on back: a turn. Else the step tells
    // nothing, and the time after the gap is judged from before it.
    if (IsGap(sample.atUs - last.atUs))
    {
        if (doubted && Along(sample.time - doubted->time) < -kWobbleSeconds)
            return Resolve(sample);
        doubted.reset();
        // One time after a gap, then another gap, after which the time went on back from it:
        // turned, or launched the other way, inside the first (judged as it would be at once).
        if (BackFromGapLanding(sample, Travel(last.atUs, sample.atUs, kFastestPlay)))
            return GapTurn(sample, sample);
        return AfterGap(sample);
    }
    if (doubted)
        return Resolve(sample);
    const double back = -Along(sample.time - last.time);
    // While a hand's gesture may go on, each step back is its next step, unless the times go
    // steadily the other way. After it, the first time that goes the other way shows a clip
    // launched to play that way.
    // Back again from the first time after a gap: it turned inside the gap, or, further than a
    // turn at its speed reaches but no further than play goes, was launched the other way.
    if (BackFromGapLanding(sample, std::max(TurnReach(sample.atUs - last.atUs),
                                            Travel(last.atUs, sample.atUs, kFastestPlay))))
        return GapTurn(sample, sample);
    if (pending && pending->told)
    {
        // (Played on from the landing first, it is a jump or a turn, judged as one.)
        // The gesture is over once its times showed 150 ms of play after the step: a step back
        // further than a turn reaches, before they did, is its next (times given now and then).
        const bool stood = Along(last.time - pending->landing.time) <= kHeldSeconds;
        const bool nextStep =
            back > TurnReach(sample.atUs - last.atUs) && !stood && GestureGoesOn(sample);
        if (sample.atUs - pending->landing.atUs >= kScrubSettleUs && !nextStep)
            return back > kWobbleSeconds && stood ? PlaysOtherWay(sample) : Settle(sample);
        if (const std::optional<Start> launched = OtherWay(sample, back))
            return launched;
        if (back <= kHeldSeconds)
            return MoveOn(sample);
        return back > kWobbleSeconds ? JumpBack(sample) : std::nullopt;
    }
    if (back <= kHeldSeconds)
        return MoveOn(sample);
    // Within what a turn at this speed could make: the next time tells a turn from a landing or
    // a step of the clock. Further, a jump: a clip launched the other way shows by the times
    // after it.
    if (back <= TurnReach(sample.atUs - last.atUs))
    {
        doubted = sample;
        doubtedAfterStay = stay && last.atUs - stay->atUs >= kDatingUs;
        // Going down from a turn at the top to the in point learnt, a clear step up is the turn
        // there (a re-sync lands clear of where ping-pong passes begin): told at once, where the
        // next time may be long in coming.
        if (direction == Direction::Backward && legFromTopTurn && inPointFromTurn &&
            !doubtedAfterStay &&
            back > kWobbleSeconds && AtInPoint(last, sample) && !(pending && pending->afterGap))
        {
            doubted.reset();
            return Turn(last, sample, sample, runBounds.SecondsPerClipSecond(), kDatingUs);
        }
        return std::nullopt;
    }
    return JumpBack(sample);
}

bool PlaybackTracker::BackFromGapLanding(const Sample& sample, double reach) const
{
    const double back = -Along(sample.time - last.time);
    return pending && pending->afterGap && !pending->told && pending->count == 1 &&
           back > TurnStepLeast(pending->from, pending->from) && back <= reach;
}

bool PlaybackTracker::PlaysAgainst(const Sample& sample)
{
    // Times that go steadily against the way it plays, each a step no turn or re-sync alone
    // explains, show it plays the other way (launched so, unseen): it does now, no pass begun.
    const double back = -Along(sample.time - last.time);
    // (Back from the one time after a gap, the gap's turn or launch is judged first.)
    if ((pending && (pending->told || (pending->afterGap && pending->count == 1))) ||
        back <= TurnWobble() || IsGap(sample.atUs - last.atUs))
    {
        against.Restart();
        return false;
    }
    if (against.Times() == 0 || !against.Add(-Along(sample.time), sample.atUs))
    {
        against.Restart();
        against.Add(-Along(last.time), last.atUs);
        against.Add(-Along(sample.time), sample.atUs);
    }
    const SpeedBounds::Range& pace = against.SecondsPerClipSecond();
    if (against.Times() <= kSteadySteps || pace.most < 1.0 / kFastestPlay)
        return false;
    TurnAround(sample, pace);
    against.Restart();
    return true;
}

void PlaybackTracker::TurnAround(const Sample& from, const SpeedBounds::Range& pace)
{
    direction = direction == Direction::Forward ? Direction::Backward : Direction::Forward;
    // Launched the other way: the clip may bring points of its own, near those learnt or not.
    pointsDoubted = true;
    doubted.reset();
    pending.reset();
    pass.Close();
    passFarthest.reset();
    if (pace.least > 0.0 && std::isfinite(pace.most))
        knownSpeed = 2.0 / (pace.least + pace.most);
    Restart(from);
}

void PlaybackTracker::LaunchedOtherWayAt(const Sample& landing)
{
    // Where it landed may be its in point (out point backwards).
    scrubLanding = landing.time;
    TurnAround(landing, SpeedBounds::Range{});
}

bool PlaybackTracker::NeverWentItsWay() const
{
    return passFirst &&
           passFarthest.value_or(Along(passFirst->time)) <= Along(passFirst->time) + kHeldSeconds;
}

std::optional<SpeedBounds::Range> PlaybackTracker::StraddleSpeed(const Sample& stepped) const
{
    // Two like times, the clip on the other way after them at the speed it played before.
    if (!runFromStand || !beforeStand || runBounds.Times() != 1)
        return std::nullopt;
    const std::optional<SpeedBounds::Range> on = StepBounds(last, stepped);
    if (!on)
        return std::nullopt;
    const SpeedBounds::Range both = on->Meet(beforeStand->second);
    return both.Empty() ? std::nullopt : std::optional(both);
}

bool PlaybackTracker::StraddledTurn(const Sample& stepped) const
{
    // A host interval apart: no pause.
    return StraddleSpeed(stepped) &&
           2 * (last.atUs - beforeStand->first.atUs) <= 3 * TypicalIntervalUs();
}

bool PlaybackTracker::StraddledTurnAtPoint(const Sample& stepped) const
{
    // Frames dropped between them, going down: the way down from the first and up to the second,
    // at that speed, meet where passes begin (the in point learnt, or 0). A pause seldom lasts
    // just that long.
    const std::optional<SpeedBounds::Range> speed = StraddleSpeed(stepped);
    if (!speed || direction != Direction::Backward ||
        last.atUs - beforeStand->first.atUs > 3 * TypicalIntervalUs())
        return false;
    const double half = Seconds(last.atUs - beforeStand->first.atUs) / 2.0;
    const double lateness = Seconds(kLatenessUs) / 2.0;
    const double low = inPoint.Known() ? inPoint.Low() : 0.0;
    const double high = inPoint.Known() ? inPoint.High() : 0.0;
    return last.time - high <= (half + lateness) / speed->least + kPointSlackSeconds &&
           last.time - low >= (half - lateness) / speed->most - kPointSlackSeconds;
}

std::optional<PlaybackTracker::Start> PlaybackTracker::TurnBetweenLikeTimes(const Sample& stepped,
                                                                          const Sample& sample)
{
    // The run before the first of them is the turn's.
    const auto [from, range] = *beforeStand;
    const std::optional<Start> start = Turn(from, last, stepped, range, kDatingUs);
    return Then(start, MoveOn(sample));
}

bool PlaybackTracker::RanOn(const Sample& from, const Sample& to, double speed) const
{
    return RanOnWithin(from, to, speed, kWobbleSeconds);
}

bool PlaybackTracker::RanOnWithin(const Sample& from, const Sample& to, double speed,
                                  double clockSlack) const
{
    const double gap = Seconds(to.atUs - from.atUs);
    const double off = std::abs(Along(to.time) - Along(from.time) - speed * gap);
    return off <= 0.05 * speed * gap + 2 * speed * SpeedBounds::kCallLatenessSeconds + clockSlack;
}

bool PlaybackTracker::CarriedAcross(const Sample& from, const Sample& to) const
{
    // Two times a frame apart measure the speed only roughly; what they allow for sure is enough.
    SpeedBounds across;
    across.Add(Along(from.time), from.atUs);
    return runBounds.Times() >= 2 && across.Add(Along(to.time), to.atUs) &&
           !across.SecondsPerClipSecond().Meet(runBounds.SecondsPerClipSecond()).Empty();
}

std::optional<PlaybackTracker::Carried>
PlaybackTracker::MovedAcross(const Jump& jump, const SpeedBounds::Range& after) const
{
    // At the speed before the gap, one `after` it, or one between them (changed inside it),
    // give or take a re-sync of the clock.
    const SpeedBounds::Range& before = jump.before;
    if (before.least <= 0.0 || !std::isfinite(before.most))
        return std::nullopt;
    const double fastest =
        std::max(1.0 / before.least, after.least > 0.0 ? 1.0 / after.least : kFastestMeasured);
    const double slowest = std::min(1.0 / before.most, 1.0 / after.most);
    const double gap = Seconds(jump.landing.atUs - jump.from.atUs);
    return Carried{slowest * (gap - SpeedBounds::kCallLatenessSeconds) - kRestartToleranceSeconds,
                   Travel(jump.from.atUs, jump.landing.atUs, fastest) + kRestartToleranceSeconds};
}

bool PlaybackTracker::PlayedAcross(const Jump& jump, const SpeedBounds::Range& after) const
{
    const std::optional<Carried> carried = MovedAcross(jump, after);
    const double moved = Along(jump.landing.time - jump.from.time);
    return !carried || (moved >= carried->least && moved <= carried->most);
}

bool PlaybackTracker::BehindPlay(const Jump& jump) const
{
    const std::optional<Carried> carried = MovedAcross(jump, runBounds.SecondsPerClipSecond());
    return carried && Along(jump.landing.time - jump.from.time) < carried->least;
}

bool PlaybackTracker::ResyncedAcross(const Jump& jump) const
{
    // Where the speed before the gap carried the time, give or take a re-sync of the clock
    // (50 ms or less, landing elsewhere than where passes begin, is no pass).
    const SpeedBounds::Range& before = jump.before;
    return before.least > 0.0 && std::isfinite(before.most) &&
           !LandsWherePassesBegin(jump.landing, jump.from) &&
           RanOnWithin(jump.from, jump.landing, 2.0 / (before.least + before.most),
                       kRestartToleranceSeconds);
}

std::optional<PlaybackTracker::Start> PlaybackTracker::AfterGap(const Sample& sample)
{
    // Where play would have carried the time: the same pass, stalled or hidden.
    // (Where no speed was measured yet, the bounds its few times allow.)
    if ((knownSpeed ? RanOn(last, sample, *knownSpeed) : CarriedAcross(last, sample)) ||
        std::abs(sample.time - last.time) <= kGapHeldSeconds)
        return MoveOn(sample);
    // On at some play's speed from where the last gap landed, across another: its run, which
    // tells what happened inside the first.
    const double along = Along(sample.time - last.time);
    if (pending && pending->afterGap && pending->count == 1 && along > kHeldSeconds &&
        along <= Travel(last.atUs, sample.atUs, kFastestPlay))
        return MoveOn(sample);
    // Anywhere else: a loop, a turn or a scrub inside it. The times after it tell.
    pass.Close();
    Pend(last, sample, true, false);
    return std::nullopt;
}

std::optional<PlaybackTracker::Start> PlaybackTracker::MoveOn(const Sample& sample)
{
    const double along = Along(sample.time - last.time);
    if (along <= kHeldSeconds)
    {
        // Standing: the speed is measured anew once it moves.
        pass.Add(Along(sample.time), sample.atUs);
        const bool first = !runFromStand;
        const std::pair<Sample, SpeedBounds::Range> before{last, runBounds.SecondsPerClipSecond()};
        Restart(sample);
        runFromStand = true;
        if (first)
            beforeStand = before;
        // Where a jump across a gap landed and stands (launched paused), its times still tell it.
        if (!pending || !pending->afterGap)
            return std::nullopt;
        pending->Keep(sample);
        return Decide(sample.atUs);
    }
    // A step far beyond play at the run's own speed is a scrub on: the run begins anew.
    const std::optional<PlaySpeed::Estimate> pace =
        run.Times() >= 3 ? run.Current() : std::nullopt;
    if (pace && along > 2.0 * pace->speed * Seconds(sample.atUs - last.atUs) + kScrubSeconds)
    {
        pass.Close();
        Restart(sample);
        return std::nullopt;
    }
    AddToRun(sample);
    if (pending)
    {
        pending->Keep(sample);
        return Decide(sample.atUs);
    }
    return Redate(pass.Add(Along(sample.time), sample.atUs), sample.time);
}

std::optional<PlaybackTracker::Start> PlaybackTracker::Resolve(const Sample& sample)
{
    const Sample stepped = *doubted;
    const double further = -Along(sample.time - stepped.time);
    doubted.reset();
    // Back further, but no further in all than a wobble of the clock (a slow clip's frames, or
    // a slow launch the other way, step less): the times after it tell, the first step kept.
    const double wobble = TurnStepLeast(last, stepped);
    if (further > kHeldSeconds && -Along(sample.time - last.time) <= wobble)
    {
        doubted = stepped;
        return std::nullopt;
    }
    // It stood, or went on the way it played: no turn stops or turns back at once.
    if (further <= kHeldSeconds)
        return NotATurn(stepped, sample);
    if (doubtedAfterStay && StraddledTurnAtPoint(stepped))
        return TurnBetweenLikeTimes(stepped, sample);
    // A clip that stood, jittering, goes on whichever way it plays now, from where it stood: no
    // play reached a turn.
    const double newSpeed =
        std::abs(sample.time - stepped.time) / std::max(Seconds(sample.atUs - stepped.atUs), 1e-6);
    // Parked at its start (jitter), or on at the speed it stood from (a turn between two like
    // readings): elsewhere, a clip that stood and goes on the other way was launched so.
    const bool resumes = last.time <= kRestartToleranceSeconds ||
                         (inPoint.Known() && last.time <= inPoint.High() + kPointSlackSeconds) ||
                         (knownSpeed && std::abs(newSpeed - *knownSpeed) <=
                                            (kSpeedMargin - 1.0) * *knownSpeed);
    if (doubtedAfterStay && resumes && std::abs(stepped.time - last.time) <=
                                Travel(last.atUs, stepped.atUs, kSpeedMargin * newSpeed) +
                                    kWobbleSeconds)
    {
        direction = direction == Direction::Forward ? Direction::Backward : Direction::Forward;
        Restart(stepped);
        AddToRun(sample);
        return std::nullopt;
    }
    // A clip that stood turned nowhere: further than that, it jumped, and plays on from there.
    // So did one whose times after the step go on faster than any play, or than it played
    // before (a turn keeps its speed), and one whose step no turn at any speed reaches (the
    // run before may hold the turn, so play's own bound): a hand's steps.
    if ((doubtedAfterStay || BeyondAnyPlay(last, stepped) || FasterThanPlay(stepped, sample)) &&
        Along(last.time - stepped.time) > kRestartToleranceSeconds)
    {
        const std::optional<Start> start = JumpBack(stepped);
        return Then(start, Play(sample));
    }
    // Turned inside a gap: the line before it is the one through the time before the gap.
    if (pending && pending->afterGap && pending->count == 1)
    {
        const std::optional<Start> start = GapTurn(stepped, sample); // before the time after it
        return Then(start, MoveOn(sample));
    }
    // Held as a hand's step may be, and not once on its way since the pass's first time: no
    // turn. The clip was launched the other way where it landed: the same pass.
    if (stepped.atUs < heldUntilUs && NeverWentItsWay())
    {
        LaunchedOtherWayAt(*passFirst);
        AddToRun(stepped);
        AddToRun(sample);
        return std::nullopt;
    }
    if (StraddledTurn(stepped))
        return TurnBetweenLikeTimes(stepped, sample);
    return Turn(last, stepped, sample, runBounds.SecondsPerClipSecond(), kDatingUs);
}

std::optional<PlaybackTracker::Start> PlaybackTracker::GapTurn(const Sample& confirm,
                                                               const Sample& latest)
{
    const Jump jump = *pending;
    // A clip that stood before the gap made no turn inside it, nor one that goes on at another
    // speed (a turn keeps its speed): it was launched the other way.
    const std::optional<SpeedBounds::Range> after = StepBounds(jump.landing, latest);
    const bool otherSpeed = knownSpeed && after &&
                            (after->most * kSpeedMargin < 1.0 / *knownSpeed ||
                             after->least > kSpeedMargin / *knownSpeed);
    // Going down, the time after the gap where play ran on to, and the next one as far as a
    // turn at the bottom between the two allows: still going down at the first, turned after it.
    if (!jump.fromStay && direction == Direction::Backward &&
        RanOn(jump.from, jump.landing, Speed()) &&
        jump.landing.time + confirm.time - 2.0 * (inPoint.Known() ? inPoint.Low() : 0.0) >=
            Speed() / kSpeedMargin * Seconds(confirm.atUs - jump.landing.atUs - kLatenessUs))
    {
        pending.reset();
        return Turn(jump.landing, confirm, confirm, jump.before, kDatingUs);
    }
    // Up before the gap, a turn is at the top, no pass: while the times since cannot yet tell
    // the speed it kept from another (a launch the other way), a little longer they may. Only
    // where the time that shows it is the latest: the next call judges the gap again.
    const bool judgedAgain = confirm.atUs == latest.atUs;
    if (direction == Direction::Forward && !jump.fromStay && !otherSpeed && after &&
        after->most > kSpeedMargin * kSpeedMargin * after->least &&
        latest.atUs - jump.landing.atUs < kDatingUs / 2 && judgedAgain)
        return std::nullopt;
    if (jump.fromStay || otherSpeed)
    {
        TurnAround(jump.landing, SpeedBounds::Range{});
        AddToRun(confirm);
        return BeginFixed(jump.landing.atUs, jump.landing.time);
    }
    return Turn(jump.from, jump.landing, confirm, jump.before, kGapDatingUs);
}

bool PlaybackTracker::FasterThanPlay(const Sample& from, const Sample& to) const
{
    // A run of a few times bounds its speed; fewer may hold the turn itself.
    const double ran = runBounds.Times() > kSteadySteps ? runBounds.SecondsPerClipSecond().least : 0.0;
    const double fastest = std::max(1.0 / kFastestPlay, ran / kSpeedMargin);
    const std::optional<SpeedBounds::Range> step = StepBounds(from, to);
    return step && step->most < fastest;
}

bool PlaybackTracker::BeyondAnyPlay(const Sample& from, const Sample& to)
{
    const std::optional<SpeedBounds::Range> step = StepBounds(from, to);
    return step && step->most < 1.0 / kFastestPlay;
}

std::optional<SpeedBounds::Range> PlaybackTracker::StepBounds(const Sample& from, const Sample& to)
{
    SpeedBounds pair;
    pair.Add(0.0, from.atUs);
    if (!pair.Add(std::abs(to.time - from.time), to.atUs))
        return std::nullopt;
    return pair.SecondsPerClipSecond();
}

std::optional<double> PlaybackTracker::SureFastest(std::size_t times) const
{
    const SpeedBounds::Range& sure = runBounds.SecondsPerClipSecond();
    if (runBounds.Times() < times || sure.least <= 0.0)
        return std::nullopt;
    return 1.0 / sure.least;
}

bool PlaybackTracker::AtInPoint(const Sample& before, const Sample& after) const
{
    const double travel = Travel(before.atUs, after.atUs, kSpeedMargin * Speed());
    return inPoint.Known() &&
           std::min(before.time, after.time) <= inPoint.High() + travel + kPointSlackSeconds;
}

double PlaybackTracker::TurnWobble() const
{
    return std::min(kWobbleSeconds, 0.75 * Speed() * Seconds(TypicalIntervalUs()) + kTurnLeast);
}

double PlaybackTracker::TurnStepLeast(const Sample& before, const Sample& after) const
{
    // Going down to the in point learnt, any clear step up is the turn there: a re-sync lands
    // clear of it.
    return direction == Direction::Backward && AtInPoint(before, after) ? kTurnLeast
                                                                          : TurnWobble();
}

std::optional<PlaybackTracker::Start> PlaybackTracker::NotATurn(Sample stepped, Sample sample)
{
    const double back = Along(last.time - stepped.time);
    const double reBack = -Along(sample.time - stepped.time);
    // It went on from the step back: a landing, or the clock set back.
    if (back > kWobbleSeconds && MayCount(stepped.atUs) && LandsWherePassesBegin(stepped, last))
    {
        const std::optional<Start> start =
            Loop(last, stepped, Speed(), runBounds.SecondsPerClipSecond());
        return Then(start, reBack < -kHeldSeconds ? MoveOn(sample) : std::nullopt);
    }
    if (back > kRestartToleranceSeconds)
    {
        const std::optional<Start> start = JumpBack(stepped);
        return Then(start, Play(sample));
    }
    // The clock's: one odd time, or set back (the clip goes on from the step back).
    const double v = Speed();
    const double offOld = std::abs(Along(sample.time - last.time) - v * Seconds(sample.atUs - last.atUs));
    const double offNew =
        std::abs(Along(sample.time - stepped.time) - v * Seconds(sample.atUs - stepped.atUs));
    if (offNew < offOld)
        Resync(stepped);
    return Play(sample);
}

std::optional<PlaybackTracker::Start> PlaybackTracker::JumpBack(const Sample& landing)
{
    // A pass begun by a jump against the way whose next time goes on that way as play can: the
    // clip plays that way now (launched so), the same pass. (Held as a hand's step may be, it is
    // the hand's next step.)
    if (!pending && passFirst && last.atUs == passFirst->atUs && landing.atUs > last.atUs &&
        landing.atUs >= heldUntilUs &&
        Along(last.time - landing.time) <= Travel(last.atUs, landing.atUs, kFastestPlay))
    {
        LaunchedOtherWayAt(last);
        AddToRun(landing);
        return std::nullopt;
    }
    bool gesture = GestureGoesOn(landing) || landing.atUs < heldUntilUs;
    // Played on from where the jump before landed, then back there: a short clip looping at a
    // speed or a point not seen before, each loop a pass.
    const double travel = Travel(last.atUs, landing.atUs, Speed()) + kPointSlackSeconds;
    const std::optional<Sample> stepLanding =
        pending ? std::optional(pending->landing)
                : landing.atUs < heldUntilUs ? heldLanding : std::nullopt;
    if (gesture && stepLanding && MayCount(landing.atUs) &&
        passFarthest.value_or(0.0) > Along(stepLanding->time) + travel &&
        std::abs(landing.time - stepLanding->time) <= travel)
    {
        if (pending)
            LearnLoop(pending->from, pending->landing, Speed());
        gesture = false;
    }
    // A hand's steps: the first, held as a loop, taught no point.
    if (gesture && landing.atUs < heldUntilUs && pointsBeforeHold)
        std::tie(inPoint, outPoint) = *std::exchange(pointsBeforeHold, std::nullopt);
    const bool known = LandsWherePassesBegin(landing, last);
    // From the far end elsewhere (a point moved), only by more than the clock re-syncs.
    const bool farLoop = LeavesFarEnd(last, landing) &&
                         Along(last.time - landing.time) > kRestartToleranceSeconds;
    if (!gesture && MayCount(landing.atUs) && (known || farLoop))
    {
        const bool learnt =
            known && !BeyondLearntPoint(landing, last) && !RoughPoint(last, landing, Speed());
        const std::pair points{inPoint, outPoint};
        std::optional<Start> start = Loop(last, landing, Speed(), runBounds.SecondsPerClipSecond());
        // A loop to a point not learnt (one beyond it included: moved, or a hand's step past
        // it; one known only roughly) may be a hand's first step: held as one, and a step
        // before the hold is over goes on with it. What it teaches is tentative: were it a
        // scrub, a point set since a little off its landing looks the same.
        if (start && !learnt)
        {
            start->holdUntilUs = Hold(landing, points);
            pointTentative = true;
        }
        return start;
    }
    if (!gesture && Along(last.time - landing.time) <= kRestartToleranceSeconds)
    {
        Resync(landing);
        return std::nullopt;
    }
    return StepBack(landing);
}

std::optional<PlaybackTracker::Start> PlaybackTracker::OtherWay(const Sample& sample, double back)
{
    SpeedBounds& steps = pending->otherWay;
    // Steps one speed explains, the other way: play. A hand's steps stand between them.
    if (back <= kHeldSeconds || !steps.Add(-Along(sample.time), sample.atUs))
    {
        steps.Restart();
        steps.Add(-Along(sample.time), sample.atUs);
    }
    // Steps faster than any play are a hand's; so may be steady ones, while they could still be
    // a drag that the hand has not ended. Three times at one pace over 150 ms are play, however
    // seldom the host gives them.
    const SpeedBounds::Range& pace = steps.SecondsPerClipSecond();
    if (steps.Times() < kSteadySteps || pace.most < 1.0 / kFastestPlay ||
        sample.atUs - steps.FirstAtUs().value_or(sample.atUs) < kScrubSettleUs)
        return std::nullopt;
    return PlaysOtherWay(sample);
}

std::optional<PlaybackTracker::Start> PlaybackTracker::PlaysOtherWay(const Sample& sample)
{
    // Counted from where it was told, held no longer, at the speed its steps showed.
    const Sample told = pending->toldAt;
    scrubLanding = told.time;
    TurnAround(sample, SpeedBounds::Range{pending->otherWay.SecondsPerClipSecond()});
    reportedUs = told.atUs;
    return Start{told.atUs, told.time, false, 0};
}

std::int64_t PlaybackTracker::Hold(const Sample& landing,
                                   const std::pair<LearnedPoint, LearnedPoint>& points)
{
    heldLanding = landing;
    pointsBeforeHold = points;
    return heldUntilUs = landing.atUs + kScrubSettleUs;
}

bool PlaybackTracker::GestureGoesOn(const Sample& landing) const
{
    // Less than 150 ms of play seen since the step told: times given now and then may show the
    // next step later than that.
    return pending && pending->told &&
           std::min(landing.atUs, last.atUs) - pending->landing.atUs < kScrubSettleUs;
}

std::optional<PlaybackTracker::Start> PlaybackTracker::HoldGesture(std::int64_t nowUs)
{
    // Times that stopped coming a while, as the host gives them now and then: held, two of its
    // intervals at a time, until they show play after the hand's last step, as long as the
    // host's rhythm explains the wait for them.
    const std::int64_t sinceUs = nowUs - last.atUs;
    if (!GestureGoesOn(last) || nowUs + TypicalIntervalUs() < gestureHoldUs ||
        2 * sinceUs <= 3 * TypicalIntervalUs() || IsGap(sinceUs))
        return std::nullopt;
    gestureHoldUs = nowUs + 2 * TypicalIntervalUs();
    return Start{reportedUs, last.time, false, gestureHoldUs};
}

std::optional<PlaybackTracker::Start> PlaybackTracker::Settle(const Sample& sample)
{
    // A scrub, over: where it landed may be an in point.
    scrubLanding = pending->landing.time;
    pointsDoubted = true;
    inPointFromTurn = false;
    pending.reset();
    return Play(sample);
}

std::optional<PlaybackTracker::Start> PlaybackTracker::StepBack(const Sample& landing)
{
    // One hand's gesture, or a jump too soon after a start to be a pass of its own: the pass
    // goes on from this step.
    const bool goesOn =
        GestureGoesOn(landing) || !MayCount(landing.atUs) || landing.atUs < heldUntilUs;
    const Sample from = pending && pending->told ? pending->from : last;
    const bool gesture = goesOn && pending && pending->told;
    // Too soon after the pass's first time to be a pass of its own: told there, its first step.
    const bool fromPassFirst = goesOn && !gesture && passFirst && passFirst->atUs < landing.atUs;
    const Sample toldAt = gesture ? pending->toldAt : fromPassFirst ? *passFirst : landing;
    SpeedBounds otherWay = gesture ? pending->otherWay : SpeedBounds{};
    if (fromPassFirst)
        otherWay.Add(-Along(passFirst->time), passFirst->atUs);
    if (!gesture)
        otherWay.Add(-Along(landing.time), landing.atUs);
    pass.Close();
    passFarthest.reset();
    doubted.reset();
    Pend(from, landing, false, true);
    pending->toldAt = toldAt;
    pending->laterStep = goesOn;
    pending->otherWay = otherWay;
    pass.Begin(Along(landing.time), landing.atUs, landing.atUs, 0);
    pass.Close();
    const std::int64_t holdUntilUs = gestureHoldUs = landing.atUs + kScrubSettleUs;
    if (goesOn && passFirst)
    {
        reportedUs = landing.atUs;
        return Start{landing.atUs, landing.time, false, holdUntilUs};
    }
    std::optional<Start> start = Begin(landing.atUs, landing.time, landing.atUs);
    start->holdUntilUs = holdUntilUs;
    return start;
}

std::optional<PlaybackTracker::Start> PlaybackTracker::Loop(Sample from, Sample landing,
                                                            double speed,
                                                            SpeedBounds::Range before,
                                                            const Jump* jump)
{
    const std::int64_t anchorUs = DateLoop(from, landing, speed, before, jump);
    return Begin(anchorUs, landing.time, landing.atUs);
}

std::int64_t PlaybackTracker::DateLoop(Sample from, Sample landing, double speed,
                                       SpeedBounds::Range before, const Jump* jump)
{
    pending.reset();
    // A point known only roughly, or from one loop held as a hand's step may be (it may have
    // been a scrub, and the point since moved a little), may lie anywhere near the landing:
    // counted from the time that shows it.
    const bool rough = RoughPoint(from, landing, speed) || std::exchange(pointTentative, false);
    LearnLoop(from, landing, speed);
    const bool afterGap = jump && jump->afterGap;
    pass.Begin(Along(landing.time), landing.atUs, from.atUs - kLatenessUs,
               afterGap ? kGapDatingUs : kDatingUs);
    // Across a gap the clip played at the speed it played before it, where its times agree.
    pass.SetBeginningAt(Along(rough ? landing.time : LatestBeginningPoint(landing.time)),
                        afterGap ? before : SpeedBounds::Range{});
    // A clip that stood there (paused, then launched) played nowhere near the in point.
    const bool stood = stay && from.atUs - stay->atUs >= kDatingUs;
    if (direction == Direction::Backward && !stood)
        pass.SetReachBound(FarBound(from), before);
    // A pending jump's times since, the newest last even where more came than were kept.
    const Sample newest = jump ? last : landing;
    passFarthest.reset();
    Restart(landing);
    for (std::size_t i = 1; jump && i < jump->count; ++i)
    {
        pass.Add(Along(jump->times[i].time), jump->times[i].atUs);
        AddToRun(jump->times[i]);
    }
    last = newest;
    return pass.AnchorUs();
}

std::int64_t PlaybackTracker::ReachedNoEarlier(const Sample& from, double point,
                                               const SpeedBounds::Range& run)
{
    // At the fastest play its run allows (16x at most), from a time that may have come late.
    const double way = std::abs(from.time - point);
    const double least = std::max(run.least, 1.0 / kFastestPlay);
    return from.atUs - kLatenessUs + static_cast<std::int64_t>(way * least * 1e6);
}

std::pair<PlaybackTracker::Sample, SpeedBounds::Range>
PlaybackTracker::LineDown(const Sample& before, const SpeedBounds::Range& runBefore) const
{
    if (runBefore.least <= 0.0 && brokenRun && runBounds.Times() == 1 && before.atUs == last.atUs)
        return *brokenRun;
    return {before, runBefore};
}

bool PlaybackTracker::TurnFits(const Sample& before, const Sample& after, double point,
                               const SpeedBounds::Range& run)
{
    const double wayUp = std::max(0.0, after.time - point);
    const double fastest = std::max(run.least, 1.0 / kFastestPlay);
    return static_cast<double>(after.atUs) - wayUp * fastest * 1e6 >=
           static_cast<double>(ReachedNoEarlier(before, point, run));
}

PassDating::Bound PlaybackTracker::FarBound(const Sample& from)
{
    // Backwards, the pass began when the run before reached the in point, which lies at 0 or
    // above: no later than the slowest speed allows from the last time before the wrap.
    return PassDating::Bound{static_cast<double>(from.atUs), std::max(0.0, from.time) * 1e6};
}

void PlaybackTracker::Resync(const Sample& sample)
{
    // The clock set back a little: the pass goes on, its beginning dated as it was.
    pass.Close();
    Restart(sample);
}

void PlaybackTracker::Pend(const Sample& from, const Sample& landing, bool afterGap, bool told)
{
    Jump jump;
    jump.from = from;
    jump.landing = landing;
    jump.before = pending && pending->told ? pending->before : runBounds.SecondsPerClipSecond();
    jump.afterGap = afterGap;
    jump.fromStay = stay && from.atUs - stay->atUs >= kDatingUs;
    jump.mayCount = pending && pending->told ? pending->mayCount : MayCount(landing.atUs);
    jump.told = told;
    jump.times[0] = landing;
    jump.count = 1;
    pending = jump;
    Restart(landing);
}

std::optional<PlaybackTracker::Start> PlaybackTracker::Decide(std::int64_t nowUs)
{
    if (!pending)
        return std::nullopt;
    const Jump jump = *pending;
    // Across a gap, where the speed after it shows play carried the time there: the same pass.
    const std::optional<PlaySpeed::Estimate> measured = run.Current();
    const bool timesAfter = jump.afterGap && jump.count >= 2;
    const bool carried = timesAfter && CarriedAcross(jump.from, jump.landing);
    if (timesAfter &&
        ((measured && RanOn(jump.from, jump.landing, measured->speed)) ||
         (carried && (!measured || measured->speed <= 0.0 ||
                      PlayedAcross(jump, SpeedBounds::Range::At(measured->speed)))) ||
         ResyncedAcross(jump)))
    {
        pending.reset();
        return std::nullopt;
    }
    // Two times after it, too close together to measure a speed, that allow play on across it:
    // the third tells.
    if (carried && jump.count == 2 && last.atUs - jump.landing.atUs < kLatenessUs &&
        PlayedAcross(jump, runBounds.SecondsPerClipSecond()))
        return std::nullopt;
    if (jump.mayCount && !jump.laterStep)
        if (const std::optional<LoopRun> loop = LoopSpeed(jump))
        {
            if (!jump.told)
                return Loop(jump.from, jump.landing, loop->speed, jump.before, &jump);
            // Told at its landing: dated now where the playhead crossed the point, and held as
            // told: a loop to a point not learnt may still be a hand's first step. Held at the
            // point, not where the times showed it (a gap's way away): the next loop lands
            // there, no hand's next step.
            const std::pair points{inPoint, outPoint};
            const std::int64_t anchorUs = DateLoop(jump.from, jump.landing, loop->speed,
                                                   jump.before, &jump);
            reportedUs = anchorUs;
            const Sample atPoint{loop->point, jump.landing.atUs};
            return Start{anchorUs, jump.landing.time, false,
                         loop->toLearntPoint ? 0 : Hold(atPoint, points)};
        }
    // Back across a gap (or on, but less than play either side of it carried it) and played on
    // since, at no speed that leads back to where passes begin: scrubbed while hidden; or stood
    // since where passes begin (launched paused at its start).
    // No hand's gesture goes on unseen: counted at once (on two times where the host sends no
    // more a while).
    const bool playedOn = Along(last.time - jump.landing.time) > kHeldSeconds;
    const bool parkedAtStart = runFromStand && LandsWherePassesBegin(jump.landing, jump.from);
    const bool timesStopped = nowUs - last.atUs >= kLongestFrameUs;
    if (jump.afterGap && jump.count >= (timesStopped ? 2u : 3u) && (playedOn || parkedAtStart) &&
        (Along(jump.landing.time - jump.from.time) < 0.0 || BehindPlay(jump)))
    {
        pending.reset();
        return Scrub(jump);
    }
    // A jump told at its landing settles with the next time, which tells the way it plays; one
    // across a gap once its times have told a turn from a scrub.
    if (nowUs - jump.landing.atUs < kScrubSettleUs || jump.told || doubted || jump.count < 3)
        return std::nullopt;
    pending.reset();
    // Settled. A jump on across a gap: the same pass, scrubbed on while hidden.
    if (Along(jump.landing.time - jump.from.time) > 0.0)
        return std::nullopt;
    return Scrub(jump);
}

std::optional<PlaybackTracker::LoopRun> PlaybackTracker::LoopSpeed(const Jump& jump) const
{
    // The run after the jump, at its own speed, leads back to where a pass may begin (0, the in
    // or out point learnt, where a scrub landed) after the last time before it: a loop or
    // re-trigger at a speed or a point not seen before. Its pass is dated from the latest
    // point that allows, which may be the landing itself.
    // Across a gap the point lies far back from the time before it: two times tell.
    const std::optional<PlaySpeed::Estimate> measured = run.Current();
    if (jump.count < (jump.afterGap ? 2u : 3u) || !measured || measured->speed <= kSlowestSpeed ||
        Along(last.time - jump.landing.time) <= 0.0)
        return std::nullopt;
    const double landing = Along(jump.landing.time);
    const std::int64_t frameUs = jump.landing.atUs - jump.from.atUs;
    // At the slowest play its times allow, a frame or so from the point: a launch read through
    // late calls is no loop. (Across a gap the way is long, and its speed as measured tells.)
    const double most = runBounds.SecondsPerClipSecond().most;
    const double slowest =
        !jump.afterGap && std::isfinite(most) ? most : 1.0 / measured->speed;
    const auto leadsBack = [&](double point)
    {
        // A clip that stood at the point and plays on from it began nothing.
        if (jump.fromStay && Along(jump.from.time) <= Along(point) + kPointSlackSeconds)
            return false;
        const double took = (landing - Along(point)) * slowest;
        return took >= 0.0 && jump.landing.atUs - static_cast<std::int64_t>(took * 1e6) >=
                                  jump.from.atUs - frameUs / 4 - 1000;
    };
    const bool forward = direction == Direction::Forward;
    if ((forward ? inPoint.Known() : outPoint.Known()) && leadsBack(BeginningPoint()))
        return LoopRun{measured->speed, true, BeginningPoint()};
    if (forward && leadsBack(0.0))
        return LoopRun{measured->speed, false, 0.0};
    if (scrubLanding && leadsBack(*scrubLanding))
        return LoopRun{measured->speed, false, *scrubLanding};
    return std::nullopt;
}

std::optional<PlaybackTracker::Start> PlaybackTracker::Scrub(const Jump& jump)
{
    // Counted from the frame that showed its last step; where it landed may be an in point.
    scrubLanding = jump.landing.time;
    pointsDoubted = true;
    inPointFromTurn = false;
    return BeginFixed(jump.landing.atUs, jump.landing.time);
}

std::optional<PlaybackTracker::Start>
PlaybackTracker::Turn(Sample before, Sample after, Sample confirm,
                      SpeedBounds::Range runBefore, std::int64_t datingUs)
{
    const bool bottom = direction == Direction::Backward;
    const double low = std::min(before.time, after.time);
    const double travel = Travel(before.atUs, after.atUs, kSpeedMargin * Speed());
    // Turned where passes began before: it began at that in point. (Elsewhere it may be a clip
    // launched the other way as well as a turn.)
    const bool atInPoint = AtInPoint(before, after);
    const auto [down, downRun] = LineDown(before, runBefore);
    direction = bottom ? Direction::Forward : Direction::Backward;
    pending.reset();
    pass.Close();
    passFarthest.reset();
    Restart(after);
    AddToRun(confirm);
    // A turn keeps its speed: the runs before and after it bound it together where they agree;
    // where they do not (no speed measured before it, or one the times there did not explain),
    // the run after it alone.
    const SpeedBounds::Range both = runBefore.Meet(runBounds.SecondsPerClipSecond());
    runBefore = both.Empty() ? runBounds.SecondsPerClipSecond() : both;
    if (!bottom)
    {
        legFromTopTurn = true;
        const double top = std::max(before.time, after.time);
        outPoint.Learn(top, top + travel);
        highestFar = std::max(highestFar.value_or(top), top);
        return std::nullopt;
    }
    // A point that moved up within a frame's travel lies nearer than the one learnt: dated from
    // the old one the pass would begin early.
    const bool turnedAtInPoint = atInPoint && TurnFits(down, after, inPoint.High(), downRun);
    const double beginning = turnedAtInPoint ? inPoint.High() : 0.0;
    inPoint.Learn(std::max(0.0, low - travel), low);
    inPointFromTurn = true;
    // A frame or two after a start: the same pass, read through an odd time. Turned right where
    // a jump landed: a clip launched the other way there, its pass begun at the landing.
    if (!MayCount(confirm.atUs) || (passFirst && before.atUs == passFirst->atUs))
        return std::nullopt;
    pass.Begin(Along(after.time), after.atUs, before.atUs - kLatenessUs, datingUs);
    // The run before reached 0 (no in point lies lower) no later than its slowest speed allows.
    pass.SetReachBound(FarBound(before), runBefore);
    if (turnedAtInPoint)
        pass.SetBeginningAt(Along(beginning), SpeedBounds::Range{},
                            ReachedNoEarlier(down, beginning, downRun));
    pass.Add(Along(confirm.time), confirm.atUs);
    return Begin(pass.AnchorUs(), after.time, after.atUs);
}

std::optional<PlaybackTracker::Start> PlaybackTracker::GapStart(std::int64_t atUs, double time)
{
    if (lastGapStartUs && atUs - *lastGapStartUs <= kGapSpacingUs)
        return std::nullopt;
    lastGapStartUs = atUs;
    return BeginFixed(atUs, time);
}

std::optional<PlaybackTracker::Start> PlaybackTracker::BeginFixed(std::int64_t anchorUs, double time)
{
    pending.reset();
    passFarthest = Along(last.time);
    pass.Begin(0.0, anchorUs, anchorUs, 0);
    pass.Close();
    return Begin(anchorUs, time, anchorUs);
}

bool PlaybackTracker::MayCount(std::int64_t nowUs) const
{
    // Three frames: the first time of the pass and more than one frame period, even where one
    // of the frames came late.
    return !passFirst || nowUs - passFirst->atUs >= 3 * TypicalIntervalUs() / 2;
}

std::optional<PlaybackTracker::Start> PlaybackTracker::Begin(std::int64_t anchorUs, double time,
                                                             std::int64_t firstUs)
{
    joinArmed = false;
    heldUntilUs = 0;
    passFirst = Sample{time, firstUs};
    reportedUs = anchorUs;
    return Start{anchorUs, time, true};
}

std::optional<PlaybackTracker::Start> PlaybackTracker::Then(const std::optional<Start>& first,
                                                            const std::optional<Start>& second)
{
    if (!first || !second || second->newPass)
        return second ? second : first;
    return Start{second->anchorUs, first->hostTime, first->newPass, second->holdUntilUs};
}

std::optional<PlaybackTracker::Start> PlaybackTracker::Redate(std::optional<std::int64_t> anchorUs,
                                                              double time)
{
    if (!anchorUs || *anchorUs > reportedUs - kRedateUs)
        return std::nullopt;
    reportedUs = *anchorUs;
    return Start{*anchorUs, time, false};
}

bool PlaybackTracker::LandsWherePassesBegin(const Sample& landing, const Sample& from) const
{
    // The pass before left its beginning: a clip at its beginning (a pre-roll that re-syncs)
    // does not begin again.
    const double point = Along(BeginningPoint());
    if (passFarthest && *passFarthest <= point + Speed() * Seconds(TypicalIntervalUs()) +
                                               kPointSlackSeconds)
        return false;
    // Beyond the point learnt (an earlier in point forwards, a later out point backwards) is
    // where a pass begins too: the point moved.
    const double travel = Travel(from.atUs, landing.atUs, kSpeedMargin * Speed());
    if (direction == Direction::Backward)
        return outPoint.Known() && landing.time >= outPoint.Low() - travel - kPointSlackSeconds;
    if (!inPoint.Known())
        return landing.time <= kRestartToleranceSeconds;
    return landing.time <= inPoint.High() + travel + kPointSlackSeconds;
}

bool PlaybackTracker::RoughPoint(const Sample& from, const Sample& landing, double speed) const
{
    const LearnedPoint& point = direction == Direction::Forward ? inPoint : outPoint;
    const double sighting =
        Travel(from.atUs, landing.atUs, kSpeedMargin * speed) + kPointSlackSeconds;
    return point.Known() && point.High() - point.Low() > sighting;
}

bool PlaybackTracker::BeyondLearntPoint(const Sample& landing, const Sample& from) const
{
    const double travel =
        Travel(from.atUs, landing.atUs, kSpeedMargin * Speed()) + kPointSlackSeconds;
    if (direction == Direction::Backward)
        return outPoint.Known() && landing.time > outPoint.High() + travel;
    return inPoint.Known() && landing.time < inPoint.Low() - travel;
}

bool PlaybackTracker::LeavesFarEnd(const Sample& from, const Sample& landing) const
{
    const double travel = Travel(from.atUs, landing.atUs, kSpeedMargin * Speed()) +
                          kPointSlackSeconds;
    // At the far end as learnt, not short of it (a re-trigger) nor beyond it (it moved);
    // backwards, where none is learnt, at 0; and up to the out point where one is learnt (short
    // of it: a turn at another speed).
    if (direction == Direction::Backward)
        return std::abs(from.time - lowestFar.value_or(0.0)) <= travel &&
               (outPoint.Known() ? landing.time >= outPoint.Low() - travel
                                 : landing.time - from.time > kRestartToleranceSeconds);
    return highestFar && std::abs(from.time - *highestFar) <= travel;
}

void PlaybackTracker::LearnLoop(const Sample& from, const Sample& landing, double speed)
{
    // Where it landed bounds where passes begin; where it left, where they end (only ever
    // further: a re-trigger leaves short of it).
    // At the fastest the run measured allows, where it measured one: a point moved by less than
    // a margin on its speed would otherwise read as the old one.
    const double margin = kSpeedMargin * speed;
    const double travel =
        Travel(from.atUs, landing.atUs, std::min(margin, SureFastest(3).value_or(margin)));
    // A scrub may have been a launch of a clip with other points: what this loop shows stands
    // alone, not narrowed by what was seen before.
    inPointFromTurn = false;
    if (std::exchange(pointsDoubted, false))
        (direction == Direction::Forward ? inPoint : outPoint) = LearnedPoint{};
    if (direction == Direction::Forward)
    {
        inPoint.Learn(std::max(0.0, landing.time - travel), landing.time);
        highestFar = std::max(highestFar.value_or(from.time), from.time);
    }
    else
    {
        outPoint.Learn(landing.time, landing.time + travel);
        lowestFar = std::min(lowestFar.value_or(from.time), from.time);
    }
}

double PlaybackTracker::BeginningPoint() const
{
    if (direction == Direction::Forward)
        return inPoint.Known() ? inPoint.High() : 0.0;
    return outPoint.Known() ? outPoint.Low() : last.time;
}

double PlaybackTracker::LatestBeginningPoint(double landing) const
{
    // Where a scrub landed may have become the in point (out point backwards) unseen: of it and
    // the point learnt, the one nearer the landing dates the pass latest, never early.
    const double learnt = BeginningPoint();
    if (scrubLanding && Along(*scrubLanding) <= Along(landing) &&
        Along(*scrubLanding) > Along(learnt))
        return *scrubLanding;
    return learnt;
}

double PlaybackTracker::Travel(std::int64_t fromUs, std::int64_t toUs, double speed)
{
    return speed * (Seconds(std::max<std::int64_t>(0, toUs - fromUs)) +
                    SpeedBounds::kCallLatenessSeconds);
}

double PlaybackTracker::TurnReach(std::int64_t sinceUs) const
{
    return 1.5 * Travel(0, sinceUs, Speed()) + kWobbleSeconds;
}

void PlaybackTracker::NoteInterval(std::int64_t atUs)
{
    const std::optional<std::int64_t> previous = std::exchange(lastTimeUs, atUs);
    if (!previous)
        return;
    const std::int64_t interval = std::max<std::int64_t>(0, atUs - *previous);
    const std::int64_t before = std::exchange(lastIntervalUs, interval);
    if (interval > kFrameGapUs ||
        (interval > kLongestFrameUs &&
         (kRhythmSpread * before < interval || before > kRhythmSpread * interval)))
        return;
    intervalsUs[nextInterval] = interval;
    nextInterval = (nextInterval + 1) % intervalsUs.size();
}

bool PlaybackTracker::IsGap(std::int64_t sinceUs) const
{
    return sinceUs > std::max(kLongestFrameUs, 5 * FrameIntervalUs() / 2);
}

std::int64_t PlaybackTracker::TypicalIntervalUs() const
{
    std::array<std::int64_t, 4> sorted = intervalsUs;
    std::sort(sorted.begin(), sorted.end());
    return (sorted[1] + sorted[2]) / 2;
}

std::int64_t PlaybackTracker::FrameIntervalUs() const
{
    return *std::max_element(intervalsUs.begin(), intervalsUs.end());
}
