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
// The calls come as late in every run, so that a run can be repeated.
constexpr std::minstd_rand::result_type kJitterSeed = 20240611;

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
    : stage(clipStage), plan(clipPlan), pausePending(clipPlan.pauseAt.has_value()),
      jitterSource(kJitterSeed)
{
    stage.record.framePeriod = After(1.0 / plan.fps);
    stage.record.callJitter = After(plan.callJitterMs / 1000.0);
}

void ClipPlayer::Play()
{
    begin = ShowLayer();
    const std::optional<std::uint64_t> frames = plan.Frames();
    for (std::uint64_t frame = 0; (!frames || frame < *frames) && !Interrupted(); ++frame)
        PlayFrame(frame);
    EndHold(Clock::now(), ThreadsStarted());
    // An interruption may cut short a wait for which passes were recorded ahead.
    std::vector<ClipStart>& starts = stage.record.clipStarts;
    while (!starts.empty() && starts.back().at > Clock::now())
        starts.pop_back();
}

Clock::time_point ClipPlayer::ShowLayer()
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
    return due;
}

void ClipPlayer::PlayFrame(std::uint64_t frame)
{
    if (const Blackout* blackout = plan.LeftOutBy(frame))
    {
        BeginBlackout(*blackout);
        return;
    }
    const double played = static_cast<double>(frame) / plan.fps;
    if (pausePending && played >= *plan.pauseAt)
    {
        pausePending = false;
        paused = After(plan.pauseSeconds);
        framesSincePause = 0;
        Note(FormatText("pause: no frames for %.3f s", plan.pauseSeconds));
    }
    // The input is ready before the frame is due, so that the calls are made on time.
    const testhost::FrameIn& input = stage.feed.Next(frame);
    const Clock::time_point due = begin + paused + After(played);
    RecordPassesThrough(plan.playhead.PassAt(played));
    stage.listener.WaitUntil(due);
    if (Interrupted())
        return;
    const Playhead::Position position = ReadClipClock();
    // The plug-in's calls come first, so that the moments recorded are the ones it saw; what
    // the stand-in prints of them comes after.
    const Clock::time_point callsAt = Clock::now();
    const std::uint64_t threads = ThreadsStarted();
    const std::size_t presses = PressTests(played);
    const FrameCalls calls = MakeCalls(position, input);
    FollowPasses(position, callsAt, threads);
    for (std::size_t press = 0; press < presses; ++press)
        Note("pressed \"Test\"");
    ShowStatus();
    // The plug-in counts a stop of the frames as a clip start in the first frame after it, or in
    // the next, where it waits to tell a stop from a turn inside it.
    const bool afterPause = framesSincePause && (*framesSincePause)++ < 2;
    if (gap)
        EndBlackout(calls.frameAt, calls.gapStart);
    else if (calls.gapStart || (afterPause && calls.started))
        Note("the plug-in counts the frame gap as a clip start");
}

Playhead::Position ClipPlayer::ReadClipClock()
{
    const Clock::time_point read = Clock::now();
    // The play begins as its first frame reads the clock, however late that frame came, so that
    // it shows the first pass at its very beginning: the plug-in has seen no pace yet to date a
    // beginning behind it by, nor, backwards, the out point it learns from this frame. The
    // beginning recorded ahead of the frame moves with it.
    if (stage.record.frames.empty())
    {
        begin = read - paused;
        stage.record.clipStarts.clear();
    }
    const Playhead::Position position = plan.playhead.At(Seconds(read - begin - paused));
    RecordPassesThrough(position.pass);
    if (const Clock::duration jitter = NextJitter(); jitter > Clock::duration::zero())
        stage.listener.WaitUntil(read + jitter);
    return position;
}

Clock::time_point ClipPlayer::Moment(double played) const
{
    const bool afterPause =
        plan.pauseAt && played >= static_cast<double>(plan.FrameAt(*plan.pauseAt)) / plan.fps;
    return begin + After(played) +
           (afterPause ? After(plan.pauseSeconds) : Clock::duration::zero());
}

void ClipPlayer::RecordPassesThrough(std::size_t pass)
{
    std::vector<ClipStart>& starts = stage.record.clipStarts;
    for (std::size_t next = starts.size(); next <= pass; ++next)
        starts.push_back(ClipStart{Moment(plan.playhead.PassBegin(next)), std::nullopt});
}

Clock::duration ClipPlayer::NextJitter()
{
    if (plan.callJitterMs <= 0.0)
        return {};
    std::uniform_real_distribution<double> milliseconds(0.0, plan.callJitterMs);
    return After(milliseconds(jitterSource) / 1000.0);
}

void ClipPlayer::FollowPasses(const Playhead::Position& position, Clock::time_point callsAt,
                              std::uint64_t threads)
{
    const std::size_t frame = stage.record.frames.size() - 1;
    if (pendingTurn)
        stage.record.clipStarts[*std::exchange(pendingTurn, std::nullopt)].shownBy = frame;
    if (hold && !position.held)
        EndHold(callsAt, threads);
    if (position.pass < passesShown)
        return;
    for (std::size_t unseen = passesShown; unseen < position.pass; ++unseen)
        Note(FormatText("clip %zu began and ended with no frame in it", unseen + 1));
    passesShown = position.pass + 1;
    StartPass(position, frame, threads);
}

void ClipPlayer::StartPass(const Playhead::Position& position, std::size_t frame,
                           std::uint64_t threads)
{
    ClipStart& start = stage.record.clipStarts[position.pass];
    // A ping-pong turn shows only with the next frame, which confirms that the time rises
    // again; the play's first frame, and the first after a stall or hide, show a start at once.
    if (plan.direction == PlayDirection::PingPong && frame > 0 && !gap)
        pendingTurn = position.pass;
    else
        start.shownBy = frame;
    // The pass starts at the tempo given with its first frame, even where that came after the
    // moment the pass counts from.
    GivenTempo& tempo = stage.record.tempos.back();
    tempo.at = std::min(tempo.at, start.at);
    std::string text = FormatText("clip %zu starts: host time %s", position.pass + 1,
                                  FormatNumber(plan.playhead.StartTime()).c_str());
    if (plan.direction != PlayDirection::Forward)
        text += " (" + std::string(DirectionName(plan.direction)) + ")";
    Note(text);
    if (!position.held)
        return;
    hold = Hold{start.at, start.at, threads};
    Note(FormatText("holding the host time at 0 for %.3f s", plan.playhead.HoldSeconds()));
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

void ClipPlayer::BeginBlackout(const Blackout& blackout)
{
    if (gap)
        return;
    gap = Gap{stage.record.frames.back(), {}};
    passesBeforeGap = passesShown;
    Note(FormatText("%s: no calls for %.3f s; the clip's time runs on",
                    std::string(blackout.name).c_str(), blackout.seconds));
}

void ClipPlayer::EndBlackout(Clock::time_point frameAt, bool started)
{
    gap->resumed = frameAt;
    stage.record.gaps.push_back(*std::exchange(gap, std::nullopt));
    std::string text = passesShown == passesBeforeGap
                           ? "the frames resume: the same pass goes on"
                           : FormatText("the frames resume in clip %zu", passesShown);
    if (started)
        text += ", and the plug-in counts the gap as a clip start";
    Note(text);
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

ClipPlayer::FrameCalls ClipPlayer::MakeCalls(const Playhead::Position& position,
                                             const testhost::FrameIn& input)
{
    const std::uint64_t frame = stage.record.frames.size();
    GiveTempo(plan.TempoAt(position.intoPass), frame);

    const Clock::time_point timeAt = Clock::now();
    Require(stage.plugin.SetTime(stage.instance, position.clipTime), "SetTime", frame);
    const Clock::duration timeCall = Clock::now() - timeAt;
    FrameCalls calls;
    calls.started = Observe(timeAt, Mark::Source::SetTime);
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
