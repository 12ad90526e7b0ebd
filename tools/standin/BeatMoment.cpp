#include "tools/standin/BeatMoment.h"

#include <algorithm>

namespace standin
{
namespace
{
Clock::duration BeatsLast(double beats, double bpm)
{
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(beats * 60.0 / bpm));
}
} // namespace

Clock::time_point BeatMoment(const std::vector<GivenTempo>& tempos, Clock::time_point start,
                             double beats)
{
    auto next = std::upper_bound(tempos.begin(), tempos.end(), start,
                                 [](Clock::time_point at, const GivenTempo& given)
                                 { return at < given.at; });
    double bpm = next == tempos.begin() ? kDefaultBpm : std::prev(next)->bpm;
    Clock::time_point from = start;
    for (; next != tempos.end(); ++next)
    {
        const double counted = Seconds(next->at - from) * bpm / 60.0;
        if (counted >= beats)
            break;
        beats -= counted;
        from = next->at;
        bpm = next->bpm;
    }
    return from + BeatsLast(beats, bpm);
}

} // namespace standin
