// The stand-in's command line.
#pragma once

#include "tools/standin/ListenAddress.h"
#include "tools/standin/PlayDirection.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace standin
{

// From `at` seconds into each clip, counted from its first frame, the host's tempo is `bpm`.
struct TempoChange
{
    double at = 0.0;
    double bpm = 0.0;
};

// From `at` seconds of play on, the clip's time runs `speed` clip seconds per second.
struct SpeedChange
{
    double at = 0.0;
    double speed = 1.0;
};

// At `at` seconds of play the host's clip clock re-syncs `milliseconds` of clip time back.
struct StepBack
{
    double at = 0.0;
    double milliseconds = 0.0;
};

struct Options
{
    bool help = false;
    bool version = false;
    bool list = false;
    bool quiet = false;
    std::optional<ListenAddress> listenOnly;

    std::string pluginPath; // empty: DefaultPluginPath()
    bool glx = false;
    std::uint32_t width = 320;
    std::uint32_t height = 180;

    double fps = 60.0;
    double clipSeconds = 3.0;
    double inPoint = 0.0;                  // clip seconds
    std::optional<double> outPoint;        // clip seconds; none: the clip's end
    double speed = 1.0;                    // clip seconds per second of play
    std::vector<SpeedChange> speedChanges; // ascending by `at`
    PlayDirection direction = PlayDirection::Forward;
    int loops = 2;                 // 0: until interrupted
    double holdSeconds = 0.0;      // host time held at 0 at the start of each clip
    std::optional<double> pauseAt; // seconds of play, not counting the pause
    double pauseSeconds = 0.6;
    std::optional<double> stallAt; // seconds of play; the clip time runs on through the stall
    double stallSeconds = 0.0;
    std::optional<double> hideAt; // seconds of play; no calls at all, the clip time runs on
    double hideSeconds = 0.0;
    double callJitterMs = 0.0;       // the most a SetTime call comes after its clip time's moment
    std::vector<StepBack> stepBacks; // ascending by `at`
    std::vector<double> testAt;      // seconds of play, ascending
    double tempo = 120.0;            // BPM, given before every frame
    std::vector<TempoChange> tempoChanges; // ascending by `at`

    bool pluginDefaults = false;       // skip the demo settings
    std::vector<std::string> settings; // NAME=VALUE, in command-line order

    bool listen = true;
    std::uint16_t port = 0; // 0: any free port

    std::string pngPath;
    std::string reportPath; // "-": standard output
};

// The arguments after the program name. Throws UsageError for an unknown option, a missing or
// malformed value, a value out of its range, or an option that has no effect with the others.
Options ParseOptions(std::span<const char* const> arguments);

// Every option ParseOptions knows, "--help" included.
std::vector<std::string_view> OptionNames();

} // namespace standin
