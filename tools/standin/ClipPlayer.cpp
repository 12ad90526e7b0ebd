#include "tools/standin/ClipPlayer.h"

#include "tools/standin/Interruption.h"
#include "tools/standin/NumberText.h"
#include "tools/standin/TextFormat.h"
#include "tools/standin/ThreadCount.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

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
    : stage(clipStage), plan(clipPlan), pausePending(clipPlan.pauseAt.has_value())
{
    stage.record.framePeriod = After(1.0 / plan.fps);
}

void ClipPlayer::Play()
{
    ShowLayer();
    const Clock::time_point begin = Clock::now();
    const std::uint64_t framesPerLoop = plan.LoopFrames();
    std::uint64_t frame = 0;
    for (int loop = 0; (plan.loops == 0 || loop < plan.loops) && !Interrupted(); ++loop)
    {
        for (std::uint64_t inLoop = 0; inLoop < framesPerLoop && !Interrupted(); ++inLoop)
            PlayLoopFrame(begin, frame++, inLoop);
        EndHold(Clock::now(), ThreadsStarted());
    }
}

void ClipPlayer::ShowLayer()
{
    // A frame period apart, so that the plug-in takes the pace of play from them.
    Clock::time_point due = Clock::now();
    for (const double time : plan.LeadInTimes())
    {
        stage.listener.WaitUntil(due);
        GiveTempo(plan.tempo, 0);
        Require(stage.plugin.SetTime(stage.instance, time), "SetTime", 0);
        Observe(Clock::now(), Mark::Source::SetTime);
        Require(stage.plugin.ProcessOpenGL(stage.instance, stage.feed.Next(0)), "ProcessOpenGL", 0);
        Observe(Clock::now(), Mark::Source::ProcessOpenGL);
        ShowStatus();
        due = Clock::now() + stage.record.framePeriod;
    }
}

void ClipPlayer::PlayLoopFrame(Clock::time_point begin, std::uint64_t frame, std::uint64_t inLoop)
{
    if (plan.Stalled(frame))
    {
        BeginStall();
        return;
    }
    const double played = static_cast<double>(frame) / plan.fps;
    if (pausePending && played >= *plan.pauseAt)
    {
        pausePending = false;
        paused = After(plan.pauseSeconds);
        Note(FormatText("pause: no frames for %.3f s", plan.pauseSeconds));
    }
    // The input is ready before the frame is due, so that the calls are made on time.
    const testhost::FrameIn& input = stage.feed.Next(frame);
    const Clock::time_point due = begin + paused + After(played);
    stage.listener.WaitUntil(due);
    if (Interrupted())
        return;
    // The plug-in's calls come first, so that the moments recorded are the ones it saw; what
    // the stand-in prints of them comes after.
    const Clock::time_point callsAt = Clock::now();
    const std::uint64_t threads = ThreadsStarted();
    const std::size_t presses = PressTests(played);
    const FrameCalls calls = PlayFrame(inLoop, due, input);
    if (inLoop == 0)
        StartClip(calls, threads);
    if (inLoop == plan.HoldFrames())
        EndHold(callsAt, threads);
    for (std::size_t press = 0; press < presses; ++press)
        Note("pressed \"Test\"");
    ShowStatus();
    if (stall)
        EndStall(calls.frameAt, calls.gapStart);
    else if (calls.gapStart)
        Note("the plug-in counts the frame gap as a clip start");
}

double ClipPlayer::HostTime(std::uint64_t inLoop, Clock::time_point due) const
{
    const std::uint64_t holdFrames = plan.HoldFrames();
    if (inLoop < holdFrames)
        return 0.0;
    // A running clip's time follows the clock, as a host's does: a frame made late carries the
    // later time.
    return plan.HostTime(static_cast<double>(inLoop - holdFrames) / plan.fps +
                         Seconds(Clock::now() - due));
}

void ClipPlayer::StartClip(const FrameCalls& calls, std::uint64_t threads)
{
    // Where the plug-in counts the clip from: forwards and ping-pong where its time was 0, as
    // the time given tells; backwards the call, as the time cannot tell how long ago the clip
    // wrapped.
    const Clock::time_point at = plan.direction == PlayDirection::Reverse
                                     ? calls.timeAt
                                     : calls.timeAt - After(calls.hostTime);
    stage.record.clipStarts.push_back(at);
    // The clip starts at the tempo given with its first frame, even where that came after the
    // moment the clip counts from.
    GivenTempo& tempo = stage.record.tempos.back();
    tempo.at = std::min(tempo.at, at);
    std::string text = FormatText("clip %zu starts: host time %s", stage.record.clipStarts.size(),
                                  FormatNumber(plan.HostTime(0.0)).c_str());
    if (plan.direction != PlayDirection::Forward)
        text += " (" + std::string(DirectionName(plan.direction)) + ")";
    Note(text);
    if (plan.HoldFrames() == 0)
        return;
    hold = Hold{at, at, threads};
    Note(FormatText("holding the host time at 0 for %.3f s", plan.holdSeconds));
}

void ClipPlayer::EndHold(Clock::time_point at, std::uint64_t threads)
{
    if (!hold)
        return;
    hold->end = at;
    hold->threadsStarted = threads - hold->threadsStarted;
    stage.record.holds.push_back(*hold);
    hold.reset();
    Note("the host time runs on");
}

void ClipPlayer::BeginStall()
{
    if (stall)
        return;
    stall = Stall{stage.record.frames.back(), {}};
    Note(FormatText("stall: no frames for %.3f s; the clip's time runs on", plan.stallSeconds));
}

void ClipPlayer::EndStall(Clock::time_point frameAt, bool started)
{
    stall->resumed = frameAt;
    stage.record.stall = std::exchange(stall, std::nullopt);
    Note(started ? "the frames resume, and the plug-in counts the stall as a clip start"
                 : "the frames resume: the same pass goes on");
}

std::size_t ClipPlayer::PressTests(double played)
{
    std::size_t presses = 0;
    for (; nextTest < plan.testAt.size() && played >= plan.testAt[nextTest]; ++nextTest, ++presses)
        PressTest();
    return presses;
}

void ClipPlayer::PressTest()
{
    const Clock::time_point at = Clock::now();
    stage.record.marks.push_back(Mark{at, Mark::Source::Test});
    // Pressed and released, as a host's button does.
    stage.plugin.SetParameter(stage.instance, plan.testIndex, 1.0f);
    stage.plugin.SetParameter(stage.instance, plan.testIndex, 0.0f);
    Observe(at, Mark::Source::Test);
}

ClipPlayer::FrameCalls ClipPlayer::PlayFrame(std::uint64_t inLoop, Clock::time_point due,
                                             const testhost::FrameIn& input)
{
    const std::uint64_t frame = stage.record.frames.size();
    GiveTempo(plan.TempoAt(static_cast<double>(inLoop) / plan.fps), frame);

    FrameCalls calls;
    calls.hostTime = HostTime(inLoop, due);
    calls.timeAt = Clock::now();
    Require(stage.plugin.SetTime(stage.instance, calls.hostTime), "SetTime", frame);
    const Clock::duration timeCall = Clock::now() - calls.timeAt;
    Observe(calls.timeAt, Mark::Source::SetTime);

    calls.frameAt = Clock::now();
    Require(stage.plugin.ProcessOpenGL(stage.instance, input), "ProcessOpenGL", frame);
    const Clock::duration frameCall = Clock::now() - calls.frameAt;
    stage.record.frames.push_back(calls.frameAt);
    stage.record.callMilliseconds.push_back(Milliseconds(timeCall + frameCall));
    calls.gapStart = Observe(calls.frameAt, Mark::Source::ProcessOpenGL);
    return calls;
}

void ClipPlayer::GiveTempo(double bpm, std::uint64_t frame)
{
    const auto given = static_cast<float>(bpm);
    const Clock::time_point before = Clock::now();
    // No bar phase: the stand-in counts no bars, and the plug-in counts beats from its start.
    Require(stage.plugin.SetBeatInfo(stage.instance, given, 0.0f), "SetBeatInfo", frame);
    const Clock::time_point after = Clock::now();
    std::vector<GivenTempo>& tempos = stage.record.tempos;
    if (!tempos.empty() && tempos.back().bpm == static_cast<double>(given))
        return;
    // The plug-in reads its clock somewhere within the call. The earlier a rise counts from, the
    // earlier the beats after it fall due; the earlier a fall, the later. Taking the call's start
    // for a rise and its end for a fall, no moment the stand-in works out is after the plug-in's.
    const bool falls = !tempos.empty() && static_cast<double>(given) < tempos.back().bpm;
    tempos.push_back(GivenTempo{falls ? after : before, static_cast<double>(given)});
}

bool ClipPlayer::Observe(Clock::time_point callAt, Mark::Source source)
{
    const Observation seen = stage.watcher.Collect();
    if (seen.started)
        stage.record.marks.push_back(Mark{callAt, source});
    if (seen.status)
        statuses.push_back(*seen.status);
    return seen.started;
}

void ClipPlayer::ShowStatus()
{
    // A terminal's live line shows the moment of every frame; elsewhere each change is a line.
    if (statuses.empty() && stage.console.Live())
        statuses.push_back(stage.watcher.Shown());
    for (const std::string& status : statuses)
        stage.console.Status(stage.record.Stamp(Clock::now()) + " Status: " + status);
    statuses.clear();
}

void ClipPlayer::Note(const std::string& text)
{
    stage.console.Detail(stage.record.Stamp(Clock::now()) + " " + text);
}

} // namespace standin
