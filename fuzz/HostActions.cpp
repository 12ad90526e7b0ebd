// The performer at the effect: "Test" pressed, and the effect added to the layer while its clip
// plays (a new instance: a new tracker that has seen nothing).
#include "fuzz/ShowActions.h"

#include <algorithm>

namespace showfuzz
{
namespace
{
using hostfuzz::ByteReader;

constexpr std::int64_t kQuietUs = 250000;

// What comes back to back with a join's first reading, in milliseconds of clip: 0 nothing, a
// small step on or back (-50 to 50), or a scrub back of 0.1 to 5.2 s.
int ReadBackToBack(ByteReader& reader)
{
    const std::uint32_t kind = reader.Pick(4);
    const int amount = reader.Byte();
    if (kind == 2)
        return amount % 101 - 50;
    if (kind == 3)
        return -(100 + 20 * amount);
    return 0;
}

// A new instance sees the next point with nothing learnt; its measuring window must be clear of
// it, and a pass that does not land where passes begin must be long enough for its gesture.
bool JoinFits(const ShowDirector& show)
{
    const HostPlayhead& head = show.Head();
    const Clip& clip = head.Current();
    if (clip.speed <= 0.0 || show.Parked() || !show.Calm() ||
        (!head.Rising() && head.Position() < DownJoinLeast(show, clip.speed)))
        return false;
    const bool landsKnown =
        clip.mode == PlayMode::PingPong ||
        (clip.mode == PlayMode::Forward &&
         clip.in + SampleTravel(show, clip.speed) <= ShowDirector::kPreRollSeconds);
    if (!landsKnown && !show.PassFits(clip, false))
        return false;
    const std::optional<HostPlayhead::Ahead> next = head.Next();
    const double needUs =
        std::max(static_cast<double>(kQuietUs), 3.0 * static_cast<double>(show.Host().LongestSampleUs())) +
        static_cast<double>(show.Host().LongestFrameUs());
    // Clear of the next point, whichever way it plays: its first readings would not tell a clip
    // that plays up from its beginning from one that turns there.
    return !next || next->us >= needUs;
}
} // namespace

void PressTest(ShowDirector& show, ByteReader& /*reader*/)
{
    if (!WaitSettled(show, [&] { return show.ClearAhead(show.Head(), show.Host().LongestFrameUs()); }))
        return;
    show.Event("Test pressed");
    show.PressTest();
    show.HoldQuiet(0);
    show.Note(Feature::TestPress);
}

void JoinEffect(ShowDirector& show, ByteReader& reader)
{
    const int backToBackMs = ReadBackToBack(reader);
    if (!show.PlayUntil([&] { return show.QuietOver() && JoinFits(show); }, 3'000'000))
        return;
    show.Join(backToBackMs);
    show.HoldQuiet(0);
    show.Note(Feature::JoinMidShow);
}

void JoinFirst(ShowDirector& show, ByteReader& reader)
{
    show.Join(ReadBackToBack(reader));
}
} // namespace showfuzz
