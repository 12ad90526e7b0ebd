// When the current pass began, as late as what was seen allows, so that nothing counted from it
// goes early: first the moment of the time that showed it, then earlier as its first moments
// show how fast it plays. Every bound is a line in u, the clock seconds one clip second takes
// (`baseUs + perUs * u`), and holds for each u the speed bounds allow: it is taken at the end of
// their range that makes it latest. A plain value.
#pragma once

#include "playback/SpeedBounds.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

class PassDating
{
public:
    struct Bound
    {
        double baseUs = 0.0;
        double perUs = 0.0; // microseconds per unit of u
    };

    // A pass first seen by the time `along` clip seconds the way it plays, given at `atUs`, and
    // begun no earlier than `floorUs`. Its run's times date it for `windowUs` after the
    // reading that showed it.
    void Begin(double along, std::int64_t atUs, std::int64_t floorUs, std::int64_t windowUs);
    // Where along the way the pass began (its in point forwards, its out point backwards, as
    // late as known): each time of its run dates the beginning by the way it took from there,
    // at the speed its run shows, and at the speed `alike` showed where the two agree (the same
    // clip before and after a gap). The run before reached it no earlier than `notBeforeUs`:
    // where its times would date it earlier, it did not begin there.
    void SetBeginningAt(double along, const SpeedBounds::Range& alike = SpeedBounds::Range{},
                        std::int64_t notBeforeUs = 0);
    // The run before the beginning reached it no later than `bound` at the slowest speed
    // `before` allows, and the pass's own run where the two agree (a wrap's run reaching the in
    // point at 0 or above).
    void SetReachBound(const Bound& bound, const SpeedBounds::Range& before);
    // A later time of the pass's run, taken once the next one comes. Answers the beginning when
    // it moved earlier.
    std::optional<std::int64_t> Add(double along, std::int64_t atUs);
    // Its run was broken (a jump, a clock set back, a stop): the beginning stays as it is.
    void Close()
    {
        open = false;
        held.reset();
    }
    std::int64_t AnchorUs() const { return anchorUs; }
    // The speed bounds of its run so far.
    const SpeedBounds& Run() const { return run; }

private:
    struct Time
    {
        double along = 0.0;
        std::int64_t atUs = 0;
    };
    struct Carried
    {
        Bound bound;
        SpeedBounds::Range range;
    };
    std::int64_t Latest() const;
    static double At(const Carried& carried, const SpeedBounds::Range& range);

    SpeedBounds run;
    static constexpr std::size_t kDatingTimes = 6;
    std::array<Time, kDatingTimes> times{}; // the run's first: the closest to the beginning
    std::size_t timeCount = 0;
    std::optional<double> beginningAlong;
    std::int64_t beginningNotBeforeUs = 0;
    SpeedBounds::Range alikeRange;
    std::optional<Carried> reach;
    std::int64_t shownUs = 0;
    std::int64_t floorUs = 0;
    std::int64_t anchorUs = 0;
    std::int64_t windowEndUs = 0;
    bool open = false;
    std::optional<Time> held; // the newest time, until the next one
};
