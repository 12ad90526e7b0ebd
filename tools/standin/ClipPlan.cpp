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
} // namespace

ClipPlan MakePlan(const Options& options, const ParameterTable& table)
{
    ClipPlan plan;
    plan.fps = options.fps;
    plan.clipSeconds = options.clipSeconds;
    plan.loops = options.loops;
    plan.holdSeconds = options.holdSeconds;
    plan.pauseAt = options.pauseAt;
    plan.pauseSeconds = options.pauseSeconds;
    plan.testAt = options.testAt;
    if (plan.loops != 1 &&
        static_cast<double>(plan.ClipFrames() - 1) / plan.fps <= kRestartWindowSeconds)
        throw UsageError(FormatText("--clip %g at %g frames/s never runs past host time %g s, so "
                                    "the plug-in cannot see it start again; make it longer",
                                    plan.clipSeconds, plan.fps, kRestartWindowSeconds));
    if (plan.pauseAt)
        RequireWithinPlay("--pause-at", *plan.pauseAt, plan);
    for (const double at : plan.testAt)
        RequireWithinPlay("--test-at", at, plan);
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

std::uint64_t ClipPlan::HoldFrames() const
{
    return static_cast<std::uint64_t>(std::round(holdSeconds * fps));
}

double ClipPlan::LoopSeconds() const
{
    return static_cast<double>(HoldFrames() + ClipFrames()) / fps;
}

} // namespace standin
