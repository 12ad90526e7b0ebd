// What the stand-in plays: the clip, the way it plays, its loops, a hold at host time 0, a
// pause, a stall, "Test" presses, and the host's tempo through each clip.
#pragma once

#include "tools/standin/Options.h"
#include "tools/standin/ParameterTable.h"
#include "tools/standin/PlayDirection.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace standin
{

struct ClipPlan
{
    double fps = 60.0;
    double clipSeconds = 3.0;
    PlayDirection direction = PlayDirection::Forward;
    int loops = 2; // 0: until interrupted; a ping-pong loop is one pass up and down
    double holdSeconds = 0.0;
    std::optional<double> pauseAt; // seconds of play
    double pauseSeconds = 0.0;
    std::optional<double> stallAt; // seconds of play
    double stallSeconds = 0.0;
    std::vector<double> testAt;            // seconds of play, ascending
    std::uint32_t testIndex = 0;           // "Test", when testAt is not empty
    double tempo = 120.0;                  // BPM
    std::vector<TempoChange> tempoChanges; // ascending by `at`, seconds into each clip

    // Frames of the clip played one way, the first at one of its ends.
    std::uint64_t ClipFrames() const;
    // Frames with a running host time in a loop: the clip once, or ping-pong up and down again.
    std::uint64_t PassFrames() const;
    // Frames before those that repeat host time 0.
    std::uint64_t HoldFrames() const;
    std::uint64_t LoopFrames() const;
    // Seconds of play per clip, the hold included.
    double LoopSeconds() const;
    // The host time `seconds` into a loop's running frames.
    double HostTime(double seconds) const;
    // The host times of the frames drawn before the play, as if the clip had played before.
    // Forwards and ping-pong the clip's end, so that the first frame falls back to its
    // beginning; backwards two frames from its middle, so that the plug-in knows the way it
    // plays and the first frame jumps up to the end, as at every wrap.
    std::vector<double> LeadInTimes() const;
    // The first frame at or after `seconds` of play, counted as Play() counts them.
    std::uint64_t FrameAt(double seconds) const;
    // Whether the stall leaves out this frame of the play.
    bool Stalled(std::uint64_t frame) const;
    // The host's tempo `seconds` into a clip, counted from its first frame.
    double TempoAt(double seconds) const;
};

// Throws UsageError for a play the plug-in could not be judged by: a pause, stall or press
// beyond its end, a stall that crosses a clip's start or turn, a press on the frame where a
// clip starts, a "Test" the plug-in lacks, a hold on a clip not played forwards, a tempo change
// beyond the clip, or a clip too short for the plug-in to see it start again.
ClipPlan MakePlan(const Options& options, const ParameterTable& table);

} // namespace standin
