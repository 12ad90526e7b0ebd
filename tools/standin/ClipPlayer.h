// Plays a clip to the plug-in as a video host does: one frame per period, each with the clip
// time through SetTime and the input through ProcessOpenGL; the clip time runs from 0 to the
// clip length and starts again at 0 for each loop. Optionally one pause of the frame stream
// (the clip resumes where it stopped) and presses of "Test". Main thread, context current.
#pragma once

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

struct ClipPlan
{
    double fps = 60.0;
    double clipSeconds = 3.0;
    int loops = 2;
    std::optional<double> pauseAt; // seconds of play
    double pauseSeconds = 0.0;
    std::vector<double> testAt;  // seconds of play, ascending
    std::uint32_t testIndex = 0; // "Test", when testAt is not empty
};

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
    void StartClip();
    void PressTest();
    void PlayFrame(double hostTime);
    // Answers whether the plug-in started its sequence in the call made at `callAt`.
    bool Observe(Clock::time_point callAt);
    void Note(const std::string& text);

    ClipStage stage;
    ClipPlan plan;
};

} // namespace standin
