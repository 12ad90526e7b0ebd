#include "tools/standin/ClipPlan.h"

#include "tools/standin/TextFormat.h"
#include "tools/standin/UsageError.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace standin
{
namespace
{
constexpr const char* kTest = "Test";
// The plug-in takes host times up to this after the in point as the clip's first moment.
constexpr double kRestartWindowSeconds = 0.05;

// Refuses a moment the play never reaches.
void RequireWithinPlay(const std::string& option, double at, const ClipPlan& plan)
{
    const std::optional<double> end = plan.playhead.End();
    if (end && at >= *end)
        throw UsageError(FormatText("%s %g is beyond the play: %d clip%s end at %.3f s",
                                    option.c_str(), at, plan.loops, plan.loops == 1 ? "" : "s",
                                    *end));
}

void RequireInAndOut(const Options& options)
{
    const double out = options.outPoint.value_or(options.clipSeconds);
    if (out > options.clipSeconds)
        throw UsageError(FormatText("--out %g is beyond the clip's end at %g s (--clip)", out,
                                    options.clipSeconds));
    if (options.inPoint >= out)
        throw UsageError(
            FormatText("--in %g must come before the out point at %g s", options.inPoint, out));
}

void RequireHoldAtZero(const Options& options)
{
    if (options.direction != PlayDirection::Forward)
        throw UsageError("--hold-zero needs --direction forward: a reverse clip starts at its "
                         "end, a ping-pong pass only once its time rises again");
    if (options.inPoint > 0.0)
        throw UsageError("--hold-zero holds the host time at 0, the clip's start: it needs the "
                         "in point there (--in 0)");
}

// A forward pass must leave its first moments to start again there. Backwards and ping-pong,
// the plug-in takes a reversal of up to those moments, or of a frame and a half where frames
// are far apart, as a turn of direction: the wrap, and the turn at the out point, must be well
// beyond it. The last frame of a pass comes up to a frame's worth of clip time before its end.
void RequireLongEnough(const ClipPlan& plan)
{
    const double step = plan.playhead.FastestSpeed() / plan.fps;
    const double span = plan.playhead.Span() - step;
    if (plan.direction == PlayDirection::Forward)
    {
        if (plan.loops != 1 && span <= kRestartWindowSeconds)
            throw UsageError(FormatText(
                "a pass from %g to %g s of the clip at %g frames/s and up to %gx never runs "
                "past %g s after its in point, so the plug-in cannot see it start again; make "
                "it longer",
                plan.playhead.In(), plan.playhead.Out(), plan.fps, plan.playhead.FastestSpeed(),
                kRestartWindowSeconds));
        return;
    }
    const double least = 2.0 * std::max(kRestartWindowSeconds, 1.5 * step);
    if (span <= least)
        throw UsageError(FormatText(
            "a pass from %g to %g s of the clip at %g frames/s and up to %gx is too short to play "
            "%s: the plug-in tells a start from a turn of direction only where the clip's time "
            "spans more than %.3f s; make it longer",
            plan.playhead.In(), plan.playhead.Out(), plan.fps, plan.playhead.FastestSpeed(),
            std::string(DirectionName(plan.direction)).c_str(), least));
}

// The frames of the play a stall or hide leaves out: [first, after).
struct LeftOutFrames
{
    std::uint64_t first;
    std::uint64_t after;
};

LeftOutFrames FramesOf(const Blackout& blackout, const ClipPlan& plan)
{
    return {plan.FrameAt(blackout.at), plan.FrameAt(blackout.at + blackout.seconds)};
}

// A gap from that frame, or one that ends there, would merge with it.
bool Meets(std::uint64_t frame, const LeftOutFrames& frames)
{
    return frame >= frames.first && frame <= frames.after;
}

// Frames come before and after it, so that it is a gap; the clip's time runs on through it,
// not held at a clip's start, so that it is not a clip stopped and shown again.
void RequireGapBetweenFrames(const Blackout& blackout, const ClipPlan& plan)
{
    const std::string option = "--" + std::string(blackout.name);
    RequireWithinPlay(option, blackout.at, plan);
    const LeftOutFrames frames = FramesOf(blackout, plan);
    const std::optional<std::uint64_t> total = plan.Frames();
    const char* wrong = nullptr;
    if (frames.after == frames.first)
        wrong = "leaves out no frame";
    else if (frames.first == 0)
        wrong = "leaves out the play's first frame: let a frame come before it";
    else if (total && frames.after >= *total)
        wrong = "runs to the end of the play: let a frame come after it";
    for (std::uint64_t frame = frames.first - 1; !wrong && frame <= frames.after; ++frame)
    {
        if (plan.playhead.At(static_cast<double>(frame) / plan.fps).held)
            wrong = "meets the hold at a clip's start: the clip's time must run on through it";
    }
    if (wrong)
        throw UsageError(FormatText("%s %g:%g %s at %g frames/s", option.c_str(), blackout.at,
                                    blackout.seconds, wrong, plan.fps));
}

void CheckBlackouts(const ClipPlan& plan)
{
    for (std::size_t i = 0; i < plan.blackouts.size(); ++i)
    {
        const Blackout& blackout = plan.blackouts[i];
        RequireGapBetweenFrames(blackout, plan);
        const LeftOutFrames frames = FramesOf(blackout, plan);
        if (plan.pauseAt && Meets(plan.FrameAt(*plan.pauseAt), frames))
            throw UsageError("--pause-at meets the " + std::string(blackout.name) +
                             ": give each gap its own frames");
        if (i > 0 && Meets(frames.first, FramesOf(plan.blackouts[i - 1], plan)))
            throw UsageError("--stall and --hide meet: give each gap its own frames");
    }
}

// The first frame played at or after `frame`.
std::uint64_t PlayedFrom(std::uint64_t frame, const ClipPlan& plan)
{
    while (const Blackout* blackout = plan.LeftOutBy(frame))
        frame = plan.FrameAt(blackout->at + blackout->seconds);
    return frame;
}

// A press in a frame where the plug-in sees a pass begin would race that start: the first frame
// played in the pass, and at a ping-pong turn also the next, with which it confirms the turn.
void RequireOffPassStart(double at, const ClipPlan& plan)
{
    const std::uint64_t frame = PlayedFrom(plan.FrameAt(at), plan);
    const std::size_t pass = plan.playhead.PassAt(static_cast<double>(frame) / plan.fps);
    const std::uint64_t first = PlayedFrom(plan.FrameAt(plan.playhead.PassBegin(pass)), plan);
    const bool turn =
        plan.direction == PlayDirection::PingPong && pass > 0 && !plan.LeftOutBy(first - 1);
    const std::uint64_t startFrames = turn ? 2 : 1;
    if (frame >= first && frame < first + startFrames)
        throw UsageError(FormatText(
            "--test-at %g falls on %s, where the plug-in sees the clip start: press it later", at,
            startFrames == 1 ? "a clip's first frame" : "a clip's first two frames"));
}

void CheckTimes(const ClipPlan& plan, const Options& options)
{
    if (plan.pauseAt)
        RequireWithinPlay("--pause-at", *plan.pauseAt, plan);
    CheckBlackouts(plan);
    for (const double at : plan.testAt)
    {
        RequireWithinPlay("--test-at", at, plan);
        RequireOffPassStart(at, plan);
    }
    for (const SpeedChange& change : options.speedChanges)
        RequireWithinPlay("--speed-change", change.at, plan);
    for (const StepBack& back : options.stepBacks)
        RequireWithinPlay("--step-back", back.at, plan);
    for (const TempoChange& change : plan.tempoChanges)
    {
        if (change.at >= plan.playhead.ShortestPass())
            throw UsageError(FormatText(
                "--tempo-change %g:%g is beyond the clip: a pass may last as little as %.3f s",
                change.at, change.bpm, plan.playhead.ShortestPass()));
    }
}

std::vector<Blackout> BlackoutsOf(const Options& options)
{
    std::vector<Blackout> blackouts;
    if (options.stallAt)
        blackouts.push_back(Blackout{"stall", *options.stallAt, options.stallSeconds});
    if (options.hideAt)
        blackouts.push_back(Blackout{"hide", *options.hideAt, options.hideSeconds});
    std::sort(blackouts.begin(), blackouts.end(),
              [](const Blackout& a, const Blackout& b) { return a.at < b.at; });
    return blackouts;
}

Playhead PlayheadOf(const Options& options)
{
    return Playhead(PlayheadSetup{options.direction, options.inPoint,
                                  options.outPoint.value_or(options.clipSeconds), options.speed,
                                  options.speedChanges, options.stepBacks, options.holdSeconds,
                                  options.loops});
}
} // namespace

ClipPlan MakePlan(const Options& options, const ParameterTable& table)
{
    RequireInAndOut(options);
    if (options.holdSeconds > 0.0)
        RequireHoldAtZero(options);
    ClipPlan plan;
    plan.fps = options.fps;
    plan.clipSeconds = options.clipSeconds;
    plan.direction = options.direction;
    plan.loops = options.loops;
    plan.playhead = PlayheadOf(options);
    plan.pauseAt = options.pauseAt;
    plan.pauseSeconds = options.pauseSeconds;
    plan.blackouts = BlackoutsOf(options);
    plan.testAt = options.testAt;
    plan.callJitterMs = options.callJitterMs;
    plan.tempo = options.tempo;
    plan.tempoChanges = options.tempoChanges;
    RequireLongEnough(plan);
    CheckTimes(plan, options);
    if (!plan.testAt.empty())
    {
        const ParameterInfo* test = FindParameter(table, kTest);
        if (!test)
            throw UsageError("--test-at: the plug-in has no \"Test\" parameter");
        plan.testIndex = test->index;
    }
    return plan;
}

std::optional<std::uint64_t> ClipPlan::Frames() const
{
    const std::optional<double> end = playhead.End();
    if (!end)
        return std::nullopt;
    return FrameAt(*end);
}

std::vector<double> ClipPlan::LeadInTimes() const
{
    if (direction != PlayDirection::Reverse)
        return {playhead.Out()};
    const double middle = (playhead.In() + playhead.Out()) / 2.0;
    const double step = playhead.SpeedAt(0.0) / fps;
    return {middle + 2.0 * step, middle + step, middle};
}

std::uint64_t ClipPlan::FrameAt(double seconds) const
{
    // The player compares frame / fps with the moment; the product may round the other way.
    auto frame = static_cast<std::uint64_t>(std::max(0.0, std::ceil(seconds * fps)));
    if (frame > 0 && static_cast<double>(frame - 1) / fps >= seconds)
        --frame;
    if (static_cast<double>(frame) / fps < seconds)
        ++frame;
    return frame;
}

const Blackout* ClipPlan::LeftOutBy(std::uint64_t frame) const
{
    for (const Blackout& blackout : blackouts)
    {
        if (frame >= FrameAt(blackout.at) && frame < FrameAt(blackout.at + blackout.seconds))
            return &blackout;
    }
    return nullptr;
}

double ClipPlan::TempoAt(double seconds) const
{
    double bpm = tempo;
    for (const TempoChange& change : tempoChanges)
    {
        if (change.at <= seconds)
            bpm = change.bpm;
    }
    return bpm;
}

} // namespace standin
