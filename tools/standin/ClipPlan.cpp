#include "tools/standin/ClipPlan.h"

#include "tools/standin/TextFormat.h"
#include "tools/standin/UsageError.h"

#include <algorithm>
#include <cmath>

namespace standin
{
namespace
{
constexpr const char* kTest = "Test";
// The plug-in takes host times up to this as the clip's first moment.
constexpr double kRestartWindowSeconds = 0.05;

// Refuses a moment the play never reaches.
void RequireWithinPlay(const char* option, double at, const ClipPlan& plan)
{
    const double end = plan.loops * plan.LoopSeconds();
    if (plan.loops != 0 && at >= end)
        throw UsageError(FormatText("%s %g is beyond the play: %d clip%s of %.3f s end at %.3f s",
                                    option, at, plan.loops, plan.loops == 1 ? "" : "s",
                                    plan.LoopSeconds(), end));
}

// A forward clip must leave its first moments to start again there. Backwards and ping-pong,
// the plug-in takes a reversal of up to those moments, or of a frame and a half where frames
// are slow, as a turn of direction: the wrap, and the turn at the end, must be well beyond it.
void RequireLongEnough(const ClipPlan& plan)
{
    const double span = static_cast<double>(plan.ClipFrames() - 1) / plan.fps;
    if (plan.direction == PlayDirection::Forward)
    {
        if (plan.loops != 1 && span <= kRestartWindowSeconds)
            throw UsageError(FormatText("--clip %g at %g frames/s never runs past host time %g s, "
                                        "so the plug-in cannot see it start again; make it longer",
                                        plan.clipSeconds, plan.fps, kRestartWindowSeconds));
        return;
    }
    const double least = 2.0 * std::max(kRestartWindowSeconds, 1.5 / plan.fps);
    if (span <= least)
        throw UsageError(FormatText(
            "--clip %g at %g frames/s is too short to play %s: the plug-in tells a start from a "
            "turn of direction only where the clip's time spans more than %.3f s; make it longer",
            plan.clipSeconds, plan.fps, std::string(DirectionName(plan.direction)).c_str(), least));
}

// The frames, in a loop, of one run of the host time in one way: [first, end).
struct Run
{
    std::uint64_t first;
    std::uint64_t end;
};

std::vector<Run> Runs(const ClipPlan& plan)
{
    const std::uint64_t hold = plan.HoldFrames();
    const std::uint64_t clip = plan.ClipFrames();
    if (plan.direction == PlayDirection::PingPong)
        return {{0, clip + 1}, {clip + 1, 2 * clip}};
    return {{hold, hold + clip}};
}

// Across a clip's start or turn, the plug-in would have to tell a start from a stall by a time
// that jumped; the first two frames of a run show it which way the time goes.
void RequireStallWithinRun(const ClipPlan& plan)
{
    RequireWithinPlay("--stall", *plan.stallAt, plan);
    const std::uint64_t first = plan.FrameAt(*plan.stallAt);
    const std::uint64_t after = plan.FrameAt(*plan.stallAt + plan.stallSeconds);
    if (after == first)
        throw UsageError(FormatText("--stall %g:%g leaves out no frame at %g frames/s",
                                    *plan.stallAt, plan.stallSeconds, plan.fps));
    const std::uint64_t loopStart = first - first % plan.LoopFrames();
    for (const Run run : Runs(plan))
    {
        if (first >= loopStart + run.first + 2 && after < loopStart + run.end)
            return;
    }
    throw UsageError(FormatText(
        "--stall %g:%g must lie where the clip's time runs one way, after the first two frames "
        "of that run and before its last, not across a clip's start%s or a hold",
        *plan.stallAt, plan.stallSeconds,
        plan.direction == PlayDirection::PingPong ? ", its turn at the end" : ""));
}

// A pause from a frame the stall leaves out, or from the one after it, would merge the gaps.
bool MeetsStall(std::uint64_t frame, const ClipPlan& plan)
{
    return frame >= plan.FrameAt(*plan.stallAt) &&
           frame <= plan.FrameAt(*plan.stallAt + plan.stallSeconds);
}

// A press in the frame where the plug-in sees a clip start would race that start.
void RequireOffClipStart(double at, const ClipPlan& plan)
{
    const std::uint64_t startFrames = plan.direction == PlayDirection::PingPong ? 2 : 1;
    if (plan.FrameAt(at) % plan.LoopFrames() < startFrames)
        throw UsageError(FormatText(
            "--test-at %g falls on %s, where the plug-in sees the clip start: press it later", at,
            startFrames == 1 ? "a clip's first frame" : "a clip's first two frames"));
}

void CheckTimes(const ClipPlan& plan)
{
    if (plan.pauseAt)
        RequireWithinPlay("--pause-at", *plan.pauseAt, plan);
    if (plan.stallAt)
        RequireStallWithinRun(plan);
    if (plan.pauseAt && plan.stallAt && MeetsStall(plan.FrameAt(*plan.pauseAt), plan))
        throw UsageError("--pause-at meets the stall: give each gap its own frames");
    for (const double at : plan.testAt)
    {
        RequireWithinPlay("--test-at", at, plan);
        RequireOffClipStart(at, plan);
    }
    for (const TempoChange& change : plan.tempoChanges)
    {
        if (change.at >= plan.LoopSeconds())
            throw UsageError(
                FormatText("--tempo-change %g:%g is beyond the clip: each lasts %.3f s", change.at,
                           change.bpm, plan.LoopSeconds()));
    }
}
} // namespace

ClipPlan MakePlan(const Options& options, const ParameterTable& table)
{
    ClipPlan plan;
    plan.fps = options.fps;
    plan.clipSeconds = options.clipSeconds;
    plan.direction = options.direction;
    plan.loops = options.loops;
    plan.holdSeconds = options.holdSeconds;
    plan.pauseAt = options.pauseAt;
    plan.pauseSeconds = options.pauseSeconds;
    plan.stallAt = options.stallAt;
    plan.stallSeconds = options.stallSeconds;
    plan.testAt = options.testAt;
    plan.tempo = options.tempo;
    plan.tempoChanges = options.tempoChanges;
    if (plan.holdSeconds > 0.0 && plan.direction != PlayDirection::Forward)
        throw UsageError("--hold-zero needs --direction forward: a reverse clip starts at its "
                         "end, a ping-pong pass only once its time rises again");
    RequireLongEnough(plan);
    CheckTimes(plan);
    if (!plan.testAt.empty())
    {
        const ParameterInfo* test = FindParameter(table, kTest);
        if (!test)
            throw UsageError("--test-at: the plug-in has no \"Test\" parameter");
        plan.testIndex = test->index;
    }
    return plan;
}

std::uint64_t ClipPlan::ClipFrames() const
{
    return static_cast<std::uint64_t>(std::max(1.0, std::round(clipSeconds * fps)));
}

std::uint64_t ClipPlan::PassFrames() const
{
    return direction == PlayDirection::PingPong ? 2 * ClipFrames() : ClipFrames();
}

std::uint64_t ClipPlan::HoldFrames() const
{
    return static_cast<std::uint64_t>(std::round(holdSeconds * fps));
}

std::uint64_t ClipPlan::LoopFrames() const
{
    return HoldFrames() + PassFrames();
}

double ClipPlan::LoopSeconds() const
{
    return static_cast<double>(LoopFrames()) / fps;
}

double ClipPlan::HostTime(double seconds) const
{
    switch (direction)
    {
    case PlayDirection::Forward:
        return seconds;
    case PlayDirection::Reverse:
        return std::max(0.0, clipSeconds - seconds);
    case PlayDirection::PingPong:
        break;
    }
    return std::max(0.0, seconds <= clipSeconds ? seconds : 2.0 * clipSeconds - seconds);
}

std::vector<double> ClipPlan::LeadInTimes() const
{
    if (direction != PlayDirection::Reverse)
        return {clipSeconds};
    const double middle = clipSeconds / 2.0;
    return {middle + 1.0 / fps, middle};
}

std::uint64_t ClipPlan::FrameAt(double seconds) const
{
    // Play() compares frame / fps with the moment; the product may round the other way.
    auto frame = static_cast<std::uint64_t>(std::max(0.0, std::ceil(seconds * fps)));
    if (frame > 0 && static_cast<double>(frame - 1) / fps >= seconds)
        --frame;
    if (static_cast<double>(frame) / fps < seconds)
        ++frame;
    return frame;
}

bool ClipPlan::Stalled(std::uint64_t frame) const
{
    return stallAt && frame >= FrameAt(*stallAt) && frame < FrameAt(*stallAt + stallSeconds);
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
