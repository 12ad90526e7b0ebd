// What a show may hold: the shows whose answer no effect could know from the calls are never
// made. The decoder's actions ask these before each event and wait (play on) until it may
// happen, adjust it, or drop it. docs/fuzzing.md lists the same, in words:
//
// 1. Passes (legs, ping-pong) shorter than 3 readings of the playhead at the longest interval
//    between readings in force, or than 5 ms of clip time and a reading's travel.   PassFits
// 2. A pass whose landing is not where passes begin (a scrub, a drag, the first landing at a
//    new in point, or out point backwards, a launch there): shorter than 250 ms and 3 readings,
//    so that its gesture can end before the next point, or than a clear jump (6) and a
//    reading's travel of clip time, so that its step is no re-sync.   PassFits, GestureUs
// 3. A gap (stall, hidden spell) longer than 0.8 of the pass (leg) it falls in; gaps of more
//    than 0.4 s less than 2 s apart; a gap in a pass's measuring window; a loop, wrap or
//    bottom turn inside a gap (or before the reading after it) to a point no pass was seen to
//    begin at (moved, or not seen since a join).                      GapFits, Settled
// 4. A change of speed (pauses included), a re-sync, a wobble, a stale time, a scrub, a drag, a
//    re-trigger, a launch, moved points, a gap, a Test press, within the measuring window of a
//    pass (250 ms and 4 readings after its first frame, 1 s when it began inside a gap), within
//    250 ms and 3 readings of the last such event, or while a gesture is open.   Settled
// 5. Any of those within 2 readings (and 10 ms) before a loop, or 250 ms and 3 readings before
//    a ping-pong turn or a backward wrap, as the playhead plays after it (a change of speed,
//    which comes a part of a frame on, as it plays before it too).     ClearAhead
// 6. A scrub, drag step, re-sync or jump that lands within 50 ms and two readings' travel (and
//    5 ms) of where passes begin, or were seen to (a point moved since); a scrub or drag step, or a launch, smaller than that; a launch
//    that lands the way the old clip played (forwards: above the last time).   ClearJump
// 7. After a scrub or drag's last step, a launch to a new point or a join, the next point within
//    250 ms and 3 readings.                                          GestureUs
// 8. An in or out point moved by less than two readings' travel and 20 ms, from the clip's or
//    the learnt one; a launch's at the fastest of its, the old clip's and the last played
//    speed, against the points before it and those learnt (not from a pass whose times stop
//    before its first reading); a change of speed that leaves a moved point, not yet seen by a
//    pass, less than that from the learnt one at the new speed.       (ClipActions)
// 9. A pre-roll dip anywhere but while the pass that began at 0 is still in its first 50 ms;
//    one below -0.05 s, or that the next reading would not show below 0; a parked clip anywhere
//    but at its beginning; a pause with hiding while parked at the beginning, or within 0.1 s of
//    it.                                                             (JumpActions, GapActions)
// 10. A join while the clip stands, inside a gap or a gesture; one that counts with a point
//     within 250 ms and 3 readings; one whose next landing is not where passes begin on a clip
//     whose pass is too short for its gesture (2); one on a clip going down within its first
//     50 ms and a reading's travel.                       (HostActions, ShowDecoder)
// 11. Pauses with hidden frames of 0.4 to 0.6 s (a frame gap within the call lateness of half a
//     second); frames that stop while the clip stands for less than 0.6 s count as a stall.
#include "fuzz/ShowDirector.h"

#include <algorithm>

namespace showfuzz
{
namespace
{
constexpr std::int64_t kGapWindowUs = 1'000'000;
constexpr std::int64_t kLongGapsApartUs = 2'000'000;
constexpr double kShortestClip = 0.005;
constexpr double kGapShare = 0.8;
constexpr double kSpecTolerance = 0.05;
} // namespace

bool ShowDirector::Calm() const
{
    return !gestureOpen && !gesturePending && !joinVerdictPending && !pending.jumpBy &&
           !pending.odd && !pending.test && !pending.joinBackToBackMs && !inGap &&
           !pauseHidePending && headUs >= timesUntilUs;
}

bool ShowDirector::Settled() const
{
    const std::int64_t windowUs = passInGap ? kGapWindowUs : kQuietUs;
    return Calm() && !passFramePending && passReadings >= 4 && passTold &&
           headUs >= passFirstFrameUs + windowUs && headUs >= quietUntilUs;
}

bool ShowDirector::LongGapAllowed() const
{
    return headUs >= longGapEndUs + kLongGapsApartUs;
}

bool ShowDirector::ClearAhead(const HostPlayhead& after, std::int64_t extraUs) const
{
    const std::optional<HostPlayhead::Ahead> next = after.Next();
    if (!next)
        return true;
    const double sampleUs = static_cast<double>(rhythm.LongestSampleUs());
    const double needUs = next->kind == Crossing::Kind::Loop
                              ? 2.0 * sampleUs + static_cast<double>(Rhythm::kLatestUs)
                              : std::max(static_cast<double>(kQuietUs), 3.0 * sampleUs);
    return next->us >= needUs + static_cast<double>(extraUs);
}

bool ShowDirector::PassFits(const Clip& clip, bool knownLanding) const
{
    if (clip.out - clip.in < kShortestClip)
        return false;
    if (clip.speed <= 0.0)
        return true;
    const double passUs = (clip.out - clip.in) / clip.speed * 1e6;
    if (passUs < 3.0 * static_cast<double>(rhythm.LongestSampleUs()))
        return false;
    // The step back a loop shows is its length less up to a reading's travel: 5 ms or less of it
    // looks like a wobble.
    const double readingTravel = clip.speed * static_cast<double>(rhythm.LongestSampleUs()) / 1e6;
    if (clip.out - clip.in <= kShortestClip + readingTravel)
        return false;
    // A landing not where passes begin is told from a re-sync by its step alone.
    return knownLanding || (passUs >= static_cast<double>(GestureUs()) &&
                            clip.out - clip.in >= ClearJump(clip.speed) + readingTravel);
}

double ShowDirector::ClearJump(double speed) const
{
    return kSpecTolerance + 2.0 * speed * static_cast<double>(rhythm.LongestSampleUs()) / 1e6 +
           0.005;
}

std::int64_t ShowDirector::GestureUs() const
{
    return kQuietUs + 3 * rhythm.LongestSampleUs();
}

bool ShowDirector::GapFits(std::int64_t us) const
{
    const Clip& clip = head.Current();
    if (us > kLongGapUs && !LongGapAllowed())
        return false;
    if (clip.speed <= 0.0)
        return us <= kLongGapUs;
    const double passUs = (clip.out - clip.in) / clip.speed * 1e6;
    // The readings around it lie up to a reading's interval further apart.
    if (static_cast<double>(us + 2 * rhythm.LongestSampleUs()) > kGapShare * passUs)
        return false;
    // A pass that began inside it, or before the reading after it, lands where one began before
    // (no point moved unseen: the same times come from the old point, or from a new one reached
    // later), and is seen by 3 readings after it before the next.
    HostPlayhead after = head;
    std::vector<Crossing> crossings;
    after.PlayTo(static_cast<double>(nextFrameUs + us + rhythm.LongestSampleUs()), crossings);
    const std::optional<HostPlayhead::Ahead> next = after.Next();
    return crossings.empty() ||
           (KnownLanding(clip, clip.mode != PlayMode::Backward) && next &&
            next->us >= static_cast<double>(3 * rhythm.LongestSampleUs()));
}
} // namespace showfuzz
