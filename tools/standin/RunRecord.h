// What happened during a run, as the host saw it: clip starts, the plug-in's own starts and
// Test presses, frames, call times and the OSC messages that arrived. Main thread only.
#pragma once

#include "tools/testhost/OscReceiver.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace standin
{

using Clock = std::chrono::steady_clock;

// A moment the plug-in's message timing counts from: a start of its sequence, or a press of
// "Test" (which sends every enabled message at once). `at` is taken just before the call that
// caused it, so the plug-in's own clock reading is never earlier.
struct Mark
{
    Clock::time_point at;
    bool test = false;
};

struct Arrival
{
    testhost::ReceivedOsc message;
    std::size_t clip = 0;    // 1 for the first clip; 0 before it
    std::uint64_t frame = 0; // frames rendered before it arrived
};

struct RunRecord
{
    std::vector<Clock::time_point> clipStarts; // host time set to 0
    std::vector<Mark> marks;
    std::vector<Clock::time_point> frames; // each ProcessOpenGL call
    std::vector<double> callMilliseconds;  // SetTime plus ProcessOpenGL, per frame
    std::vector<Arrival> arrivals;

    // The clip playing at that moment: 1 for the first; 0 before it.
    std::size_t ClipAt(Clock::time_point when) const;
    // Seconds since the start of the clip playing at that moment; 0 before the first.
    double SinceClipStart(Clock::time_point when) const;
    // "[clip 2 +1.067s]", or "[setup]" before the first clip.
    std::string Stamp(Clock::time_point when) const;
};

double Seconds(Clock::duration duration);

} // namespace standin
