// The playhead moved otherwise than by play: scrubbed or dragged by hand, a clock that re-syncs a
// little back (below 0 at the clip's beginning), a reading a few milliseconds off or stale.
#include "fuzz/ShowActions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace showfuzz
{
namespace
{
using hostfuzz::ByteReader;

constexpr double kResyncMost = 0.05;
// Steps of a drag come closer than this, so that they make one gesture.
constexpr std::int64_t kDragStepsApartUs = 140000;

struct Range
{
    double low = 0.0;
    double high = 0.0;
    bool Empty() const { return !(low < high); }
    double At(double share) const { return low + share * (high - low); }
};

// Where a scrub may land: clearly a jump from where the playhead is, clear of where passes
// begin, and with a gesture's play before the next point.
Range ScrubRange(const ShowDirector& show, bool back)
{
    const HostPlayhead& head = show.Head();
    const Clip& clip = head.Current();
    const double at = head.Position();
    const double clear = show.ClearJump(clip.speed);
    const double room = clip.speed * static_cast<double>(show.GestureUs()) / 1e6;
    if (clip.mode == PlayMode::Forward)
        return back ? Range{clip.in + clear, std::min(at - clear, clip.out - room)}
                    : Range{at + clear, clip.out - room};
    return back ? Range{std::max(at + clear, clip.in + room), clip.out - clear}
                : Range{clip.in + room, at - clear};
}

// Clear of where the effect has seen passes begin (a point since moved included): a step that
// lands there looks like a loop to it.
bool ClearOfLearnt(const ShowDirector& show, double at)
{
    const HostPlayhead& head = show.Head();
    const std::optional<double> learnt = head.Rising() ? show.LearnedIn() : show.LearnedOut();
    return !learnt || std::abs(at - *learnt) > show.ClearJump(head.Current().speed);
}

bool PlayingOneWay(const ShowDirector& show)
{
    const Clip& clip = show.Head().Current();
    return clip.speed > 0.0 && clip.mode != PlayMode::PingPong;
}

// A jump back from the far end (the out point forwards, the in point backwards) is a loop to a
// point moved: no hand's gesture starts there.
bool AwayFromFarEnd(const ShowDirector& show)
{
    const HostPlayhead& head = show.Head();
    const Clip& clip = head.Current();
    const double clear = show.ClearJump(clip.speed);
    return clip.mode == PlayMode::Forward ? head.Position() <= clip.out - clear
                                          : head.Position() >= clip.in + clear;
}

void NoteJump(ShowDirector& show, const char* what, double to, bool backToBack)
{
    char text[80];
    std::snprintf(text, sizeof text, "%s from %.4f to %.4f%s", what, show.Head().Position(), to,
                  backToBack ? ", back to back" : "");
    show.Event(text);
    if (backToBack)
        show.Note(Feature::BackToBack);
}
} // namespace

void Scrub(ShowDirector& show, ByteReader& reader)
{
    const std::uint8_t flags = reader.Byte();
    const double share = Fraction(reader);
    const bool back = (flags & 1) == 0;
    const bool backToBack = (flags & 2) != 0;
    const auto clear = [&]
    {
        return PlayingOneWay(show) && !ScrubRange(show, back).Empty() &&
               (!back || AwayFromFarEnd(show)) &&
               show.ClearAhead(show.Head(), show.Host().LongestFrameUs());
    };
    if (!WaitSettled(show, clear))
        return;
    if (!backToBack)
        show.AdvanceBetween(show.Random().Unit());
    const double to = ScrubRange(show, back).At(share);
    if (!ClearOfLearnt(show, to))
        return;
    NoteJump(show, back ? "scrub back" : "scrub on", to, backToBack);
    show.JumpTo(to, back ? ShowDirector::Jump::ScrubBack : ShowDirector::Jump::Forward,
                backToBack);
    show.HoldQuiet(show.GestureUs());
    show.Note(back ? Feature::ScrubBack : Feature::ScrubForward);
}

void Drag(ShowDirector& show, ByteReader& reader)
{
    int steps = 2 + static_cast<int>(reader.Pick(5));
    const double extra = 0.002 * reader.Byte();
    const std::int64_t frameUs = show.Host().LongestFrameUs();
    // A step comes a part of a frame after the frames between: one frame more apart at most.
    const std::int64_t apart =
        std::min<std::int64_t>(1 + reader.Pick(3), kDragStepsApartUs / frameUs - 1);
    if (apart < 1)
        return;
    double step = 0.0;
    const auto room = [&]
    {
        const HostPlayhead& head = show.Head();
        const Clip& clip = head.Current();
        step = show.ClearJump(clip.speed) + head.Travel(static_cast<double>(apart * frameUs)) + extra;
        const double space = clip.mode == PlayMode::Forward ? head.Position() - clip.in
                                                            : clip.out - head.Position();
        const int fit = static_cast<int>((space - show.ClearJump(clip.speed)) / step);
        return PlayingOneWay(show) && fit >= 2 && AwayFromFarEnd(show) &&
               show.ClearAhead(head, steps * apart * frameUs + show.GestureUs());
    };
    if (!WaitSettled(show, room))
        return;
    const HostPlayhead& head = show.Head();
    const Clip& clip = head.Current();
    const double space = clip.mode == PlayMode::Forward ? head.Position() - clip.in
                                                        : clip.out - head.Position();
    steps = std::min({steps, static_cast<int>((space - show.ClearJump(clip.speed)) / step),
                      1 + static_cast<int>(ShowDirector::kDragSpanUs / (apart * frameUs))});
    const double by = clip.mode == PlayMode::Forward ? -step : step;
    for (int i = 1; i <= steps; ++i)
        if (!ClearOfLearnt(show, head.Position() + i * by))
            return;
    show.Event("drag: " + std::to_string(steps) + " steps of " + std::to_string(step) + " s, " +
               std::to_string(apart) + " frames apart");
    int made = 0;
    for (; made + 1 < steps && (made == 0 || show.GestureOpen()); ++made)
    {
        show.AdvanceBetween(show.Random().Unit());
        show.DragStepTo(show.Head().Position() + by, apart);
        for (std::int64_t frame = 0; frame < apart; ++frame)
            show.Frame();
    }
    if (made == 0 || show.GestureOpen())
    {
        show.AdvanceBetween(show.Random().Unit());
        show.JumpTo(show.Head().Position() + by, ShowDirector::Jump::ScrubBack, false);
    }
    else
        show.Event("drag ends at its step " + std::to_string(made) +
                   ": no reading would show the next in time");
    show.HoldQuiet(show.GestureUs());
    show.Note(Feature::Drag);
}

void Resync(ShowDirector& show, ByteReader& reader)
{
    const double back = 0.001 * (1 + reader.Pick(50));
    const bool backToBack = (reader.Byte() & 1) != 0;
    // A step against the way it plays, landing clear of where passes begin.
    const auto landing = [&]
    {
        const HostPlayhead& head = show.Head();
        return head.Position() + (head.Rising() ? -back : back);
    };
    const auto clear = [&]
    {
        const HostPlayhead& head = show.Head();
        const Clip& clip = head.Current();
        const double margin = show.ClearJump(clip.speed) + head.Travel(1e6 / show.Host().Get().fps);
        return clip.speed > 0.0 && show.ClearAhead(head, show.Host().LongestFrameUs()) &&
               (head.Rising() ? landing() >= clip.in + margin : landing() <= clip.out - margin) &&
               ClearOfLearnt(show, landing());
    };
    if (!WaitSettled(show, clear))
        return;
    if (!backToBack)
        show.AdvanceBetween(show.Random().Unit());
    NoteJump(show, "clock re-sync", landing(), backToBack);
    show.JumpTo(landing(), ShowDirector::Jump::Resync, backToBack);
    show.HoldQuiet(0);
    show.Note(Feature::Resync);
}

void Dip(ShowDirector& show, ByteReader& reader)
{
    const double share = Fraction(reader);
    if (!show.Calm())
        return;
    if (show.Parked())
    {
        // One reading just below where it stands.
        show.OddReading(ShowDirector::Odd::Wobble, -(0.0005 + 0.002 * share));
        show.Event("a reading dips below the parked clip's time");
        show.Note(Feature::PreRoll);
        return;
    }
    const HostPlayhead& head = show.Head();
    const double at = head.Position();
    // At the clip's beginning (its first 50 ms), a re-sync of 50 ms at most below 0, and deep
    // enough that the next reading still shows it there: one that none shows below 0 looks like
    // a loop of a clip as short as the time it left.
    if (!show.CurrentPassBeganAtZero() || !head.Rising() || head.Current().speed <= 0.0 ||
        at >= ShowDirector::kPreRollSeconds || !show.ClearAhead(head))
        return;
    const double shown =
        head.Current().speed * static_cast<double>(show.Host().LongestSampleUs()) / 1e6;
    const double low = std::max(-ShowDirector::kPreRollSeconds, at - kResyncMost);
    const double high = std::min(-shown, at);
    if (!(low < high))
        return;
    const double to = low + share * (high - low);
    NoteJump(show, "pre-roll dip", to, false);
    show.JumpTo(to, ShowDirector::Jump::Dip, false);
    show.Note(Feature::PreRoll);
}

void OddTime(ShowDirector& show, ByteReader& reader)
{
    const std::uint8_t choice = reader.Byte();
    const bool stale = (choice & 1) != 0;
    const double by = 0.001 * (1 + (choice >> 1) % 5) * ((choice & 0x40) != 0 ? -1.0 : 1.0);
    const auto clear = [&]
    {
        const HostPlayhead& head = show.Head();
        const Clip& clip = head.Current();
        const double margin = show.ClearJump(clip.speed);
        return clip.speed > 0.0 && show.ClearAhead(head, show.Host().LongestFrameUs()) &&
               head.Position() - margin > clip.in && head.Position() + margin < clip.out;
    };
    if (!WaitSettled(show, clear))
        return;
    show.Event(stale ? "a stale reading" : "a reading " + std::to_string(by * 1e3) + " ms off");
    show.OddReading(stale ? ShowDirector::Odd::Stale : ShowDirector::Odd::Wobble, by);
    show.HoldQuiet(0);
    show.Note(stale ? Feature::StaleTime : Feature::Wobble);
}
} // namespace showfuzz
