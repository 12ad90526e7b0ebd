// Calls that stop coming: a render stall or a hidden layer while the clip plays on, a clip
// paused and hidden (frames stop while its time stands), and a host that stops giving the clip
// time while it draws on.
#include "fuzz/ShowActions.h"

#include <algorithm>
#include <cstdio>

namespace showfuzz
{
namespace
{
using hostfuzz::ByteReader;

// Below this the clip is at its beginning, where a pause counts as the clip parked there.
constexpr double kNearBeginning = 0.1;
constexpr std::int64_t kLongestStandingStallUs = 400000;

// Frames stop for `us`: the event in the show's words, and its feature.
void SkipFrames(ShowDirector& show, ShowDirector::Gap gap, std::int64_t us)
{
    static constexpr const char* kWhat[] = {"stall", "hidden", "paused and hidden"};
    static constexpr Feature kFeature[] = {Feature::Stall, Feature::Hidden, Feature::PauseHide};
    const auto index = static_cast<std::size_t>(gap);
    char text[80];
    std::snprintf(text, sizeof text, "%s of %.3f s", kWhat[index], static_cast<double>(us) / 1e6);
    show.Event(text);
    show.Skip(us, gap);
    show.Note(kFeature[index]);
}

double PassUs(const Clip& clip)
{
    return (clip.out - clip.in) / clip.speed * 1e6;
}
} // namespace

void Stall(ShowDirector& show, ByteReader& reader)
{
    std::int64_t us = 100000 + 3000 * std::int64_t{reader.Byte()};
    // Standing, the frames around it count too: below half a second in all, or it is a pause.
    if (show.Head().Current().speed <= 0.0)
        us = std::min(us, kLongestStandingStallUs - show.Host().LongestFrameUs());
    if (us <= 0)
        return;
    if (!WaitSettled(show, [&] { return show.GapFits(us); }))
        return;
    SkipFrames(show, ShowDirector::Gap::Stall, us);
}

void Hide(ShowDirector& show, ByteReader& reader)
{
    const std::int64_t wanted = 1000000 + 16000 * std::int64_t{reader.Byte()};
    std::int64_t us = 0;
    const auto fits = [&]
    {
        const Clip& clip = show.Head().Current();
        if (clip.speed <= 0.0)
            return false;
        // Shortened to what the pass allows; a hidden spell is longer than a frame gap.
        us = std::min<std::int64_t>(wanted, static_cast<std::int64_t>(0.8 * PassUs(clip)));
        return us >= 600000 && show.GapFits(us);
    };
    if (!WaitSettled(show, fits))
        return;
    SkipFrames(show, ShowDirector::Gap::Hidden, us);
}

void PauseAndHide(ShowDirector& show, ByteReader& reader)
{
    const std::int64_t us = 600000 + 10000 * std::int64_t{reader.Byte()};
    const std::uint8_t flags = reader.Byte();
    const auto away = [&]
    {
        const HostPlayhead& head = show.Head();
        const Clip& clip = head.Current();
        const double at = head.Position();
        const double clear = show.ClearJump(clip.speed);
        return !show.Parked() && show.LongGapAllowed() && at >= kNearBeginning &&
               at >= clip.in + clear && at <= clip.out - clear &&
               show.ClearAhead(head, show.Host().LongestFrameUs());
    };
    if (!WaitSettled(show, away))
        return;
    const double speed = show.Head().Current().speed;
    if (speed > 0.0)
    {
        show.AdvanceBetween(show.Random().Unit());
        show.Event("pause");
        show.SetSpeed(0.0);
        for (std::uint32_t frame = flags % 3; frame > 0; --frame)
            show.Frame();
    }
    SkipFrames(show, ShowDirector::Gap::PauseHide, us);
    // It stands on while its pass is measured; then plays on, or waits for what comes next.
    if ((flags & 4) == 0 || speed <= 0.0 || !WaitSettled(show, [] { return true; }))
        return;
    show.AdvanceBetween(show.Random().Unit());
    show.Event("play on");
    show.SetSpeed(speed);
    show.HoldQuiet(0);
}

void StopTimes(ShowDirector& show, ByteReader& reader)
{
    const std::int64_t us = 300000 + 5000 * std::int64_t{reader.Byte()};
    // Nothing may happen to the clip while the effect cannot see it.
    const auto clear = [&]
    { return show.Calm() && show.ClearAhead(show.Head(), us + show.GestureUs()); };
    if (!show.PlayUntil(clear, 3'000'000))
        return;
    char text[80];
    std::snprintf(text, sizeof text, "no clip time for %.3f s", static_cast<double>(us) / 1e6);
    show.Event(text);
    show.StopTimes(us);
    show.Note(Feature::TimesStop);
}
} // namespace showfuzz
