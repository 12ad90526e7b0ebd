// When a count of beats from a start is reached at the tempos the host gave: at the tempo in
// force at the start, and from each change on at the new one, the beats counted before it kept.
#pragma once

#include "tools/standin/RunRecord.h"

#include <vector>

namespace standin
{

// What the plug-in counts at before the host gives a tempo.
inline constexpr double kDefaultBpm = 120.0;

// `tempos` in time order.
Clock::time_point BeatMoment(const std::vector<GivenTempo>& tempos, Clock::time_point start,
                             double beats);

} // namespace standin
