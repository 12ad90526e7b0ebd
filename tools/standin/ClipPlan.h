// What the stand-in plays: the clip, its loops, a hold at host time 0, a pause, "Test" presses.
#pragma once

#include "tools/standin/Options.h"
#include "tools/standin/ParameterTable.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace standin
{

struct ClipPlan
{
    double fps = 60.0;
    double clipSeconds = 3.0;
    int loops = 2; // 0: until interrupted
    double holdSeconds = 0.0;
    std::optional<double> pauseAt; // seconds of play
    double pauseSeconds = 0.0;
    std::vector<double> testAt;  // seconds of play, ascending
    std::uint32_t testIndex = 0; // "Test", when testAt is not empty

    // Frames with a running host time, the first at host time 0.
    std::uint64_t ClipFrames() const;
    // Frames before those that repeat host time 0.
    std::uint64_t HoldFrames() const;
    // Seconds of play per clip, the hold included.
    double LoopSeconds() const;
};

// Throws UsageError for a play the plug-in could not be judged by: a pause or a press beyond
// its end, a "Test" the plug-in lacks, or loops of a clip too short for the plug-in to see
// them start again.
ClipPlan MakePlan(const Options& options, const ParameterTable& table);

} // namespace standin
