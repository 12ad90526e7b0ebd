#include "playback/LearnedPoint.h"

#include <algorithm>

void LearnedPoint::Learn(double seenLow, double seenHigh)
{
    // Sightings are measured: ones that miss by a hair still see the same point.
    if (known && seenLow <= high + kSlackSeconds && seenHigh >= low - kSlackSeconds)
    {
        high = std::min(high, seenHigh);
        low = std::min(std::max(low, seenLow), high);
        return;
    }
    known = true;
    low = seenLow;
    high = seenHigh;
}
