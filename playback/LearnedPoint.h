// Where passes of the clip begin or turn (its in or out point), as far as the loops, wraps and
// turns seen show it: somewhere from Low() to High(). Each sighting narrows it; one that cannot
// be the same point shows the point moved (another clip, in or out points changed), and it is
// learnt anew from that one. A plain value.
#pragma once

#include <optional>

class LearnedPoint
{
public:
    static constexpr double kSlackSeconds = 0.001;

    // A sighting: the point lies from `low` to `high`.
    void Learn(double low, double high);
    bool Known() const { return known; }
    // Valid only while Known().
    double Low() const { return low; }
    double High() const { return high; }

private:
    bool known = false;
    double low = 0.0;
    double high = 0.0;
};
