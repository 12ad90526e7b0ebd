// The moments a performer counts the plug-in's delays from: a clip's first frame (host time
// 0), a press of "Test", and the starts the plug-in declares on its own, after a gap between
// frames or when a clip it was not timing is still in its first seconds. Each cue asks for
// every enabled message once.
#pragma once

#include "tools/standin/RunRecord.h"

#include <string>
#include <string_view>
#include <vector>

namespace standin
{

// The plug-in takes host times up to this as the clip's first moment.
inline constexpr double kRestartWindowSeconds = 0.05;

struct Cue
{
    enum class Kind
    {
        ClipStart,
        Test,
        FrameGap,
        LateStart, // a start on a clip time past the restart window
    };
    Kind kind = Kind::ClipStart;
    Clock::time_point at; // what the delays count from
    std::size_t clip = 0; // the clip playing then: 1 for the first
};

// In time order. Every clip start is a cue, whether or not the plug-in saw it; the starts the
// plug-in declares inside the restart window belong to it. Only after a "Test" press, which
// stops the plug-in's sequence, does such a start open a cue of its own, counted from the
// moment its host time was 0.
std::vector<Cue> FindCues(const RunRecord& record);

// "clip start", "test", "frame gap", "late start"
std::string_view CueKindName(Cue::Kind kind);
// "clip 2's first frame", "\"Test\"", "the frame-gap start", "the plug-in's late start"
std::string DescribeCue(const Cue& cue);

} // namespace standin
