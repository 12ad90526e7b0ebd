// What the stand-in plays: the clip, the way its playhead runs (direction, in and out points,
// speed, holds at the in point, step-backs of the host's clock), its passes, a pause, a stall,
// a hidden layer, "Test" presses, how late SetTime comes, and the host's tempo through each pass.
#pragma once

#include "tools/standin/Options.h"
#include "tools/standin/ParameterTable.h"
#include "tools/standin/PlayDirection.h"
#include "tools/standin/Playhead.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace standin
{

// A stretch of play without any call to the plug-in while the clip's time runs on.
struct Blackout
{
    std::string_view name; // "stall" or "hide", as the option is named
    double at = 0.0;       // seconds of play
    double seconds = 0.0;
};

struct ClipPlan
{
    double fps = 60.0;
    double clipSeconds = 3.0;
    PlayDirection direction = PlayDirection::Forward;
    int loops = 2; // passes; 0: until interrupted; a ping-pong pass goes up and down
    Playhead playhead;
    std::optional<double> pauseAt; // seconds of play
    double pauseSeconds = 0.0;
    std::vector<Blackout> blackouts;       // ascending by `at`
    std::vector<double> testAt;            // seconds of play, ascending
    std::uint32_t testIndex = 0;           // "Test", when testAt is not empty
    double callJitterMs = 0.0;             // the most SetTime comes after its moment
    double tempo = 120.0;                  // BPM
    std::vector<TempoChange> tempoChanges; // ascending by `at`, seconds into each pass

    // Frames of the whole play; none: until interrupted.
    std::optional<std::uint64_t> Frames() const;
    // The host times of the frames drawn before the play, as if the clip had played before.
    // Forwards and ping-pong the out point, so that the first frame falls back to the in point;
    // backwards three frames down to the middle, so that the plug-in knows the way it plays and the
    // first frame jumps up to the out point, as at every wrap.
    std::vector<double> LeadInTimes() const;
    // The first frame at or after `seconds` of play, counted as the player counts them.
    std::uint64_t FrameAt(double seconds) const;
    // The stall or hide that leaves out this frame of the play, if one does.
    const Blackout* LeftOutBy(std::uint64_t frame) const;
    // The host's tempo `seconds` into a pass.
    double TempoAt(double seconds) const;
};

// Throws UsageError for a play the plug-in could not be judged by: in and out points outside
// the clip or in the wrong order, a pause, stall, hide, press or change of speed or clock beyond
// its end, a stall or hide that leaves out no frame, meets a hold, another gap or the play's
// first frame, a press on a frame where the plug-in sees a pass begin, a "Test" the plug-in
// lacks, a hold on a clip not played forwards from 0, a tempo change beyond the shortest pass,
// a step-back across a loop point, a wrap or a turn, or a pass too short for the plug-in to see
// it begin again.
ClipPlan MakePlan(const Options& options, const ParameterTable& table);

} // namespace standin
