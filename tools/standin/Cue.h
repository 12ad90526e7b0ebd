// The moments a performer counts the plug-in's delays from: a pass's beginning (where the
// stand-in's model of the playhead began it), a press of "Test", and the start the plug-in
// declares on its own after a pause of the frames. Each cue asks for every enabled message once.
#pragma once

#include "tools/standin/RunRecord.h"

#include <string>
#include <string_view>
#include <vector>

namespace standin
{

struct Cue
{
    enum class Kind
    {
        ClipStart,
        Test,
        FrameGap,
    };
    Kind kind = Kind::ClipStart;
    Clock::time_point at; // what the delays count from
    std::size_t clip = 0; // the clip playing then: 1 for the first
};

// In time order. Every pass's beginning is a cue, whether or not the plug-in saw it, and so is
// every "Test" press, which stops the sequence until the next clip start. Of the starts the
// plug-in declares, only those on a gap between frames are cues of their own; a gap after which
// the clip's time had run on (a stall or a hidden layer) is none.
std::vector<Cue> FindCues(const RunRecord& record);

// The starts the plug-in declared where no cue explains them: anywhere but from a pass's
// beginning up to the frame after the first that could show it (a ping-pong turn's second),
// whether on the clip time or on the frame after a stall or hide.
std::vector<Clock::time_point> FindStrayStarts(const RunRecord& record);

// "clip start", "test", "frame gap"
std::string_view CueKindName(Cue::Kind kind);
// "clip 2's start", "\"Test\"", "the frame-gap start"
std::string DescribeCue(const Cue& cue);

} // namespace standin
