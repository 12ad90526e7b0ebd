// What happened during a run, as the host saw it: the passes' beginnings, the plug-in's own starts
// and Test presses, frames, holds at host time 0, stalls and hides, the tempos given, call times
// and the OSC messages that arrived.
// Main thread only.
#pragma once

#include "tools/testhost/OscReceiver.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace standin
{

using Clock = std::chrono::steady_clock;

// A press of "Test" (which sends every enabled message at once), or a start of the plug-in's
// sequence, told by its parameter event after the call that made it. `at` is taken just before
// that call, so the plug-in's own clock reading is never earlier.
struct Mark
{
    enum class Source
    {
        Test,
        SetTime,       // a start declared on the clip time
        ProcessOpenGL, // a start declared on a gap between frames
    };
    Clock::time_point at;
    Source source = Source::SetTime;
};

// A stretch at the start of a clip during which the host time stayed at 0.
struct Hold
{
    Clock::time_point begin;
    Clock::time_point end; // when the host time ran on
    std::uint64_t threadsStarted = 0;
};

// A stretch without any call while the clip's time ran on (a stall, or the layer hidden).
struct Gap
{
    Clock::time_point lastFrame; // the frame before it
    Clock::time_point resumed;   // the first frame after it
};

// A pass of the clip: where the stand-in's model of the playhead began it, and the first frame
// that could show the plug-in it began.
struct ClipStart
{
    // Forwards when the playhead was at the in point, backwards when it wrapped to the out
    // point, ping-pong at its turn at the in point.
    Clock::time_point at;
    // An index into the frames: the first after the beginning; at a ping-pong turn the second,
    // with which the plug-in confirms the turn, unless the first came after a gap. None where no
    // frame came in the pass, or none has yet.
    std::optional<std::size_t> shownBy;
};

// A tempo the host gave the plug-in, other than the one before, from the moment of that call.
struct GivenTempo
{
    Clock::time_point at;
    double bpm = 0.0; // as the plug-in received it
};

// What the holds of a run produced, together.
struct HoldTotals
{
    Clock::duration held{};
    std::size_t datagrams = 0; // arrived during a hold
    std::uint64_t threadsStarted = 0;
};

struct Arrival
{
    testhost::ReceivedOsc message;
    std::size_t clip = 0;    // 1 for the first clip; 0 before it
    std::uint64_t frame = 0; // frames rendered before it arrived
};

struct RunRecord
{
    Clock::duration framePeriod{};
    // The most a SetTime call came after the moment whose clip time it gave.
    Clock::duration callJitter{};
    // Every pass begun, in order, hidden ones too.
    std::vector<ClipStart> clipStarts;
    std::vector<Mark> marks;
    std::vector<Hold> holds;
    std::vector<Gap> gaps;
    std::vector<GivenTempo> tempos;        // in time order
    std::vector<Clock::time_point> frames; // each ProcessOpenGL call
    std::vector<double> callMilliseconds;  // SetTime plus ProcessOpenGL, per frame
    std::vector<Arrival> arrivals;

    // The clip playing at that moment: 1 for the first; 0 before it.
    std::size_t ClipAt(Clock::time_point when) const;
    // Whether the clip (1 for the first) began and ended with no frame in it.
    bool Unseen(std::size_t clip) const;
    // Seconds since the start of the clip playing at that moment; 0 before the first.
    double SinceClipStart(Clock::time_point when) const;
    // "[clip 2 +1.067s]", or "[setup]" before the first clip.
    std::string Stamp(Clock::time_point when) const;
    HoldTotals TotalHolds() const;
};

double Seconds(Clock::duration duration);

} // namespace standin
