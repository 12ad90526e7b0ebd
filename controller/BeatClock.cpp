#include "controller/BeatClock.h"

#include <cmath>

void BeatClock::Start(std::int64_t startUs)
{
    sinceUs = startUs;
    beatsSince = 0.0;
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
    return sinceUs + std::llround((beats - beatsSince) * 60e6 / bpm);
}
