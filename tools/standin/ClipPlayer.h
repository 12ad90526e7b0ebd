// Plays a clip to the plug-in as a video host does: one frame per period, each with the tempo
// through SetBeatInfo, the clip time through SetTime and the input through ProcessOpenGL. Each
// frame reads the host's clip clock (the plan's playhead) when it is made, so a frame made late
// carries the later time, and gives it to SetTime up to the plan's call jitter later; the clock
// starts with the first frame's reading.
// Optionally a hold at host time 0 at the start of each pass, one pause of the frame stream (the
// clip resumes where it stopped), a stall and a hidden layer (no calls while the clip's time runs
// on) and presses of "Test". Records where the playhead began each pass and the first frame that
// could show it. Stops at the next frame once interrupted. Main thread, context current.
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
#include <random>
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
        Clock::time_point frameAt; // just before ProcessOpenGL
        bool gapStart = false;     // the plug-in started its sequence on the gap before it
        bool started = false;      // in SetTime
    };

    // A host draws the layer before its clip starts; so does the stand-in, untimed, with the
    // plan's lead-in times, as if the clip had played before. So the first clip starts for the
    // plug-in as every later loop does (a new instance's very first call only primes), and the
    // GL driver's first draw (it builds its shader variants then, tens of milliseconds, far
    // more under a sanitizer) does not hold up the clip's first frames. Answers when the play's
    // first frame is due: a frame period after the last of them, so that it is ready on time.
    Clock::time_point ShowLayer();
    // `frame` counts the frames of the play's schedule, those a stall or hide leaves out too.
    void PlayFrame(std::uint64_t frame);
    // The host reads its clip clock now, and its calls reach the plug-in up to the call jitter
    // later: answers where the playhead stood when it read it.
    Playhead::Position ReadClipClock();
    // The moment `played` seconds of play in, the pause counted.
    Clock::time_point Moment(double played) const;
    // Records the beginnings of the passes up to `pass`, before any frame shows them, so that
    // each message that arrives is counted from the pass it came in.
    void RecordPassesThrough(std::size_t pass);
    Clock::duration NextJitter();
    // The presses due by `played` seconds of play; answers how many.
    std::size_t PressTests(double played);
    void PressTest();
    FrameCalls MakeCalls(const Playhead::Position& position, const testhost::FrameIn& input);
    void GiveTempo(double bpm, std::uint64_t frame);
    // What the frame just made shows of the passes: one begun, a turn confirmed, a hold ended.
    void FollowPasses(const Playhead::Position& position, Clock::time_point callsAt,
                      std::uint64_t threads);
    // The first frame of a pass, made at `frame` with `threads` started before its calls.
    void StartPass(const Playhead::Position& position, std::size_t frame, std::uint64_t threads);
    // The host time runs on from the calls made at `at`, with `threads` started before them.
    void EndHold(Clock::time_point at, std::uint64_t threads);
    void BeginBlackout(const Blackout& blackout);
    // The first frame after a stall or hide, made at `frameAt`.
    void EndBlackout(Clock::time_point frameAt, bool started);
    // Answers whether the plug-in started its sequence in the call made at `callAt`.
    bool Observe(Clock::time_point callAt, Mark::Source source);
    // The status texts the last calls showed.
    void ShowStatus();
    void Note(const std::string& text);

    ClipStage stage;
    ClipPlan plan;
    Clock::time_point begin; // when the first frame is due, then its clock reading
    bool pausePending;
    std::optional<int> framesSincePause; // frames played since the pause ended
    Clock::duration paused{};
    std::size_t nextTest = 0;
    std::size_t passesShown = 0;            // passes a frame has come in
    std::optional<std::size_t> pendingTurn; // a ping-pong pass the next frame confirms
    std::optional<Hold> hold;               // while the host time is held
    std::optional<Gap> gap;                 // while no calls come
    std::size_t passesBeforeGap = 0;
    std::minstd_rand jitterSource;
    std::vector<std::string> statuses; // shown by the calls, not printed yet
};

} // namespace standin
