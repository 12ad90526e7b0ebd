#include "fuzz/HostRhythm.h"

#include <cmath>
#include <cstdio>

namespace showfuzz
{
namespace
{
double PeriodUs(const Rhythm& rhythm)
{
    return 1e6 / rhythm.fps;
}
} // namespace

std::int64_t HostRhythm::NextIntervalUs()
{
    double interval = PeriodUs(rhythm) * (1.0 + rhythm.uneven * random.Uniform(-1.0, 1.0));
    dropped = !dropped && random.Chance(rhythm.dropRate);
    if (dropped)
        interval *= 2.0;
    return std::llround(interval);
}

std::int64_t HostRhythm::NextLatenessUs()
{
    switch (rhythm.lateness)
    {
    case Rhythm::Lateness::Constant:
        return rhythm.lateUs;
    case Rhythm::Lateness::Uniform:
        return std::llround(random.Uniform(0.0, Rhythm::kLatestUs));
    case Rhythm::Lateness::Alternating:
        lateNext = !lateNext;
        return lateNext ? 0 : Rhythm::kLatestUs;
    case Rhythm::Lateness::Rarely:
        break;
    }
    return random.Chance(0.05) ? Rhythm::kLatestUs : 0;
}

bool HostRhythm::NextFrameHasTime()
{
    if (rhythm.times != Rhythm::Times::NowAndThen)
        return true;
    const bool has = withoutTime == 2 || random.Chance(0.5);
    withoutTime = has ? 0 : withoutTime + 1;
    return has;
}

std::int64_t HostRhythm::LongestFrameUs() const
{
    const double longest = PeriodUs(rhythm) * (1.0 + rhythm.uneven) * (rhythm.dropRate > 0 ? 2 : 1);
    return std::llround(std::ceil(longest));
}

std::int64_t HostRhythm::LongestSampleUs() const
{
    return LongestFrameUs() * (rhythm.times == Rhythm::Times::NowAndThen ? 3 : 1);
}

std::string HostRhythm::Describe() const
{
    static constexpr const char* kLateness[] = {"constant", "uniform", "alternating 0/10 ms",
                                                "now and then 10 ms"};
    static constexpr const char* kTimes[] = {"every frame", "twice a frame", "now and then"};
    char text[200];
    std::snprintf(text, sizeof text,
                  "%.0f fps, uneven %.0f%%, drops %.0f%%, calls late %s (%.1f ms), SetTime %s the "
                  "frame, %s",
                  rhythm.fps, rhythm.uneven * 100.0, rhythm.dropRate * 100.0,
                  kLateness[static_cast<int>(rhythm.lateness)],
                  static_cast<double>(rhythm.lateUs) / 1e3,
                  rhythm.timeAfterFrame ? "after" : "before",
                  kTimes[static_cast<int>(rhythm.times)]);
    return text;
}
} // namespace showfuzz
