#include "playback/BeatClock.h"

#include <algorithm>
#include <cmath>

namespace
{
// 285 years: beyond every delay, far within what the clock's microseconds count.
constexpr double kFarthestUs = 9e15;
} // namespace

void BeatClock::Start(std::int64_t startUs)
{
    sinceUs = startUs;
    beatsSince = 0.0;
}

void BeatClock::StartEarlier(std::int64_t earlierUs)
{
    beatsSince += static_cast<double>(earlierUs) * bpm / 60e6;
}

bool BeatClock::SetTempo(double newBpm, std::int64_t nowUs)
{
    if (newBpm == bpm)
        return false;
    beatsSince = BeatsAt(nowUs);
    sinceUs = nowUs;
    bpm = newBpm;
    return true;
}

double BeatClock::BeatsAt(std::int64_t nowUs) const
{
    return beatsSince + static_cast<double>(nowUs - sinceUs) * bpm / 60e6;
}

std::int64_t BeatClock::MomentOf(double beats) const
{
    // A tempo of a few beats a century puts the moment beyond any clock: held at the farthest.
    const double us = (beats - beatsSince) * 60e6 / bpm;
    return sinceUs + std::llround(std::clamp(us, -kFarthestUs, kFarthestUs));
}
