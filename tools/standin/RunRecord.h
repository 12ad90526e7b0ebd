// What happened during a run, as the host saw it: clip starts, the plug-in's own starts and
// Test presses, frames, holds at host time 0, a stall, the tempos given, call times and the OSC
// messages that arrived.
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

// A stretch without frames while the clip's time ran on: the same pass goes on after it.
struct Stall
{
    Clock::time_point lastFrame; // the frame before it
    Clock::time_point resumed;   // the first frame after it
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
    // Each clip's first frame, just before its SetTime call: forwards at host time 0,
    // backwards where it wrapped to the end, ping-pong at the turn at 0.
    std::vector<Clock::time_point> clipStarts;
    std::vector<Mark> marks;
    std::vector<Hold> holds;
    std::optional<Stall> stall;
    std::vector<GivenTempo> tempos;        // in time order
    std::vector<Clock::time_point> frames; // each ProcessOpenGL call
    std::vector<double> callMilliseconds;  // SetTime plus ProcessOpenGL, per frame
    std::vector<Arrival> arrivals;

    // The clip playing at that moment: 1 for the first; 0 before it.
    std::size_t ClipAt(Clock::time_point when) const;
    // Seconds since the start of the clip playing at that moment; 0 before the first.
    double SinceClipStart(Clock::time_point when) const;
    // "[clip 2 +1.067s]", or "[setup]" before the first clip.
    std::string Stamp(Clock::time_point when) const;
    HoldTotals TotalHolds() const;
};

double Seconds(Clock::duration duration);

} // namespace standin
