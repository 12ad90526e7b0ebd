// Plays a clip to the plug-in as a video host does: one frame per period, each with the tempo
// through SetBeatInfo, the clip time through SetTime and the input through ProcessOpenGL; the clip
// time runs with the clock, forwards from 0 to the clip length, backwards from the length to 0, or
// ping-pong up and down, and starts again for each loop. Optionally a hold at host time 0 at the
// start of each clip, one pause of the frame stream (the clip resumes where it stopped), one stall
// (the clip's time runs on meanwhile) and presses of "Test". Stops at the next frame once
// interrupted. Main thread, context current.
#pragma once

#include "tools/standin/ClipPlan.h"
#include "tools/standin/Console.h"
#include "tools/standin/InputFeed.h"
#include "tools/standin/MessageListener.h"
#include "tools/standin/RunRecord.h"
#include "tools/standin/StatusWatcher.h"
#include "tools/testhost/PluginLibrary.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace standin
{

// What the player works with; all of it outlives the player.
struct ClipStage
{
    const testhost::PluginLibrary& plugin;
    void* instance;
    InputFeed& feed;
    StatusWatcher& watcher;
    MessageListener& listener;
    Console& console;
    RunRecord& record;
};

class ClipPlayer
{
public:
    ClipPlayer(const ClipStage& stage, const ClipPlan& plan);

    // Throws std::runtime_error when the plug-in fails a frame call.
    void Play();

private:
    // What a frame's calls showed, for what the stand-in records and prints after them.
    struct FrameCalls
    {
        double hostTime = 0.0;     // given to SetTime
        Clock::time_point timeAt;  // just before SetTime
        Clock::time_point frameAt; // just before ProcessOpenGL
        bool gapStart = false;     // the plug-in started its sequence on the gap before it
    };

    // A host draws the layer before its clip starts; so does the stand-in, untimed, with the
    // plan's lead-in times, as if the clip had played before. So the first clip starts for the
    // plug-in as every later loop does (a new instance's very first call only primes), and the
    // GL driver's first draw (it builds its shader variants then, tens of milliseconds, far
    // more under a sanitizer) does not hold up the clip's first frames.
    void ShowLayer();
    // `frame` counts every frame played; `inLoop` those of this loop, the held ones first.
    void PlayLoopFrame(Clock::time_point begin, std::uint64_t frame, std::uint64_t inLoop);
    double HostTime(std::uint64_t inLoop, Clock::time_point due) const;
    // The presses due by `played` seconds of play; answers how many.
    std::size_t PressTests(double played);
    void PressTest();
    FrameCalls PlayFrame(std::uint64_t inLoop, Clock::time_point due,
                         const testhost::FrameIn& input);
    void GiveTempo(double bpm, std::uint64_t frame);
    // The clip's first frame made `calls`, with `threads` started before them.
    void StartClip(const FrameCalls& calls, std::uint64_t threads);
    // The host time runs on from the calls made at `at`, with `threads` started before them.
    void EndHold(Clock::time_point at, std::uint64_t threads);
    void BeginStall();
    // The first frame after the stall, made at `frameAt`.
    void EndStall(Clock::time_point frameAt, bool started);
    // Answers whether the plug-in started its sequence in the call made at `callAt`.
    bool Observe(Clock::time_point callAt, Mark::Source source);
    // The status texts the last calls showed.
    void ShowStatus();
    void Note(const std::string& text);

    ClipStage stage;
    ClipPlan plan;
    bool pausePending;
    Clock::duration paused{};
    std::size_t nextTest = 0;
    std::optional<Hold> hold;          // while the host time is held
    std::optional<Stall> stall;        // while no frames come
    std::vector<std::string> statuses; // shown by the calls, not printed yet
};

} // namespace standin
