#include "tools/standin/ClipPlayer.h"

#include "tools/standin/TextFormat.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace standin
{
namespace
{
Clock::duration After(double seconds)
{
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

double Milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

void Require(std::uint32_t result, const char* call, std::uint64_t frame)
{
    if (result != testhost::kOk)
        throw std::runtime_error(std::string("the plug-in's ") + call + " failed on frame " +
                                 std::to_string(frame + 1));
}
} // namespace

ClipPlayer::ClipPlayer(const ClipStage& clipStage, const ClipPlan& clipPlan)
    : stage(clipStage), plan(clipPlan)
{
}

void ClipPlayer::Play()
{
    const auto framesPerClip =
        static_cast<std::uint64_t>(std::max(1.0, std::round(plan.clipSeconds * plan.fps)));
    bool pausePending = plan.pauseAt.has_value();
    std::size_t nextTest = 0;
    Clock::duration paused{};
    const Clock::time_point begin = Clock::now();
    std::uint64_t frame = 0;
    for (int loop = 0; loop < plan.loops; ++loop)
    {
        for (std::uint64_t inClip = 0; inClip < framesPerClip; ++inClip, ++frame)
        {
            const double played = static_cast<double>(frame) / plan.fps;
            if (pausePending && played >= *plan.pauseAt)
            {
                pausePending = false;
                paused = After(plan.pauseSeconds);
                Note(FormatText("pause: no frames for %.3f s", plan.pauseSeconds));
            }
            stage.listener.WaitUntil(begin + paused + After(played));
            if (inClip == 0)
                StartClip();
            for (; nextTest < plan.testAt.size() && played >= plan.testAt[nextTest]; ++nextTest)
                PressTest();
            PlayFrame(static_cast<double>(inClip) / plan.fps);
        }
    }
}

void ClipPlayer::StartClip()
{
    stage.record.clipStarts.push_back(Clock::now());
    Note("clip " + std::to_string(stage.record.clipStarts.size()) + " starts: host time 0");
}

void ClipPlayer::PressTest()
{
    Note("pressing \"Test\"");
    const Clock::time_point at = Clock::now();
    stage.record.marks.push_back(Mark{at, true});
    // Pressed and released, as a host's button does.
    stage.plugin.SetParameter(stage.instance, plan.testIndex, 1.0f);
    stage.plugin.SetParameter(stage.instance, plan.testIndex, 0.0f);
    Observe(at);
}

void ClipPlayer::PlayFrame(double hostTime)
{
    const std::uint64_t frame = stage.record.frames.size();
    const testhost::FrameIn& input = stage.feed.Next(frame);

    const Clock::time_point timeAt = Clock::now();
    Require(stage.plugin.SetTime(stage.instance, hostTime), "SetTime", frame);
    const Clock::duration timeCall = Clock::now() - timeAt;
    Observe(timeAt);

    const Clock::time_point frameAt = Clock::now();
    Require(stage.plugin.ProcessOpenGL(stage.instance, input), "ProcessOpenGL", frame);
    const Clock::duration frameCall = Clock::now() - frameAt;
    stage.record.frames.push_back(frameAt);
    stage.record.callMilliseconds.push_back(Milliseconds(timeCall + frameCall));
    if (Observe(frameAt))
        Note("the plug-in counts the frame gap as a clip start");
}

bool ClipPlayer::Observe(Clock::time_point callAt)
{
    const Observation seen = stage.watcher.Collect();
    if (seen.started)
        stage.record.marks.push_back(Mark{callAt, false});
    if (seen.status)
        stage.console.Status(stage.record.Stamp(Clock::now()) + " Status: " + *seen.status);
    return seen.started;
}

void ClipPlayer::Note(const std::string& text)
{
    stage.console.Line(stage.record.Stamp(Clock::now()) + " " + text);
}

} // namespace standin
