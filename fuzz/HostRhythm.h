// How the host draws its frames and calls the effect, on its clock: a frame rate, uneven
// pacing and dropped frames; how late each call comes after the host read its playhead; whether
// SetTime comes before or after the frame's ProcessOpenGL, and on which frames.
#pragma once

#include "fuzz/ShowRandom.h"

#include <cstdint>
#include <string>

namespace showfuzz
{
struct Rhythm
{
    enum class Lateness : std::uint8_t
    {
        Constant,    // lateUs on every call
        Uniform,     // 0 to 10 ms
        Alternating, // 0, 10, 0, 10 ms ...
        Rarely,      // 0, now and then 10 ms
    };
    enum class Times : std::uint8_t
    {
        EveryFrame,
        TwiceAFrame, // the same reading given twice, back to back
        NowAndThen,  // some frames without: never more than two in a row
    };
    double fps = 60.0;
    double uneven = 0.0;   // each interval up to this share shorter or longer
    double dropRate = 0.0; // the chance a frame is dropped (never two in a row)
    Lateness lateness = Lateness::Constant;
    std::int64_t lateUs = 0;
    bool timeAfterFrame = false;
    Times times = Times::EveryFrame;

    static constexpr std::int64_t kLatestUs = 10000;
};

class HostRhythm
{
public:
    HostRhythm(const Rhythm& setup, ShowRandom& draws) : rhythm(setup), random(draws) {}

    std::int64_t NextIntervalUs();
    std::int64_t NextLatenessUs();
    bool NextFrameHasTime();

    // The longest interval between two frames, and between two readings of the playhead.
    std::int64_t LongestFrameUs() const;
    std::int64_t LongestSampleUs() const;
    const Rhythm& Get() const { return rhythm; }
    std::string Describe() const;

private:
    Rhythm rhythm;
    ShowRandom& random;
    bool dropped = false;
    int withoutTime = 0;
    bool lateNext = false;
};
} // namespace showfuzz
