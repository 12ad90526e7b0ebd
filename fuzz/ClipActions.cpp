// The clip: played on, launched (a new clip, or re-triggered), sped up or slowed, paused, its
// points moved while it loops.
#include "fuzz/ShowActions.h"
#include "fuzz/ShowGrammar.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace showfuzz
{
namespace
{
using hostfuzz::ByteReader;
using grammar::kInPoints;
using grammar::kSpeeds;
constexpr std::int64_t kWaitUs = 3'000'000;
// Moved points differ by two readings' travel and this.
constexpr double kPointMove = 0.02;

bool Unclear(double now, double was, double least)
{
    return now != was && std::abs(now - was) < least;
}

// The clip's points lie where passes were seen to begin, or clearly (`least`) away from there.
bool ClearOfLearnt(const ShowDirector& show, const Clip& clip, double least)
{
    return !Unclear(clip.in, show.LearnedIn().value_or(clip.in), least) &&
           !Unclear(clip.out, show.LearnedOut().value_or(clip.out), least);
}

// The least clip time the first reading after a launch at `landing` lies from the old clip's
// last: negative when the launch would not be clearly a jump against the old way.
double JumpMargin(const ShowDirector& show, const Clip& clip, double landing, bool rising)
{
    const HostPlayhead& old = show.Head();
    const double oldTravel = SampleTravel(show, old.Current().speed);
    const double newTravel = SampleTravel(show, clip.speed);
    const double clear = show.ClearJump(std::max(old.Current().speed, clip.speed));
    const double readingLow = rising ? landing : landing - newTravel;
    const double readingHigh = rising ? landing + newTravel : landing;
    if (old.Rising())
        return (old.Position() - oldTravel - clear) - readingHigh;
    return readingLow - (old.Position() + oldTravel + clear);
}
} // namespace

void NoteClip(ShowDirector& show, const Clip& clip)
{
    show.Note(clip.mode == PlayMode::Forward    ? Feature::Forward
              : clip.mode == PlayMode::Backward ? Feature::Backward
                                                : Feature::PingPong);
    if (clip.in > 0.0)
        show.Note(Feature::InPointAboveZero);
    if (clip.speed > 0.0 && clip.speed < 0.5)
        show.Note(Feature::Slow);
    if (clip.speed >= 4.0)
        show.Note(Feature::Fast);
    const double passUs = (clip.out - clip.in) / clip.speed * 1e6;
    if (clip.speed > 0.0 && passUs <= 8.0 * static_cast<double>(show.Host().LongestSampleUs()))
        show.Note(Feature::ShortLoop);
}

double Fraction(ByteReader& reader)
{
    return reader.Byte() / 256.0;
}

double SampleTravel(const ShowDirector& show, double speed)
{
    return speed * static_cast<double>(show.Host().LongestSampleUs()) / 1e6;
}

double DownJoinLeast(const ShowDirector& show, double speed)
{
    return ShowDirector::kPreRollSeconds + SampleTravel(show, speed) + 0.001;
}

bool WaitSettled(ShowDirector& show, const std::function<bool()>& also)
{
    return show.PlayUntil([&] { return show.Settled() && also(); }, kWaitUs);
}

Clip ReadClip(ByteReader& reader, const Clip& before, const ShowDirector& show)
{
    Clip clip;
    clip.mode = static_cast<PlayMode>(reader.Pick(3));
    clip.speed = kSpeeds[reader.Pick(std::size(kSpeeds))];
    if (clip.speed == 0.0)
        clip.speed = before.speed > 0.0 ? before.speed : 1.0;
    clip.in = kInPoints[reader.Pick(std::size(kInPoints))];
    if (clip.in < 0.0)
        clip.in = before.in;
    // Short: 3 to 14 readings' travel; long: 50 ms to 8 s of play.
    const std::uint8_t length = reader.Byte();
    const double readings = 3.0 + length / 8;
    const double span = length < 96 ? 1.05 * readings * SampleTravel(show, clip.speed)
                                    : clip.speed * 0.05 * (length - 95);
    clip.out = clip.in + std::max(span, 0.006);
    return clip;
}

Landing ReadLanding(ByteReader& reader, Clip& clip, ShowRandom& random)
{
    const bool rising = clip.mode != PlayMode::Backward;
    Landing landing{rising ? clip.in : clip.out};
    const std::uint32_t start = reader.Pick(4);
    const std::uint8_t flags = start == 3 ? reader.Byte() : 0;
    // A clip that starts below 0, or stands at its beginning, begins at 0.
    if (!rising || start < 2)
        return landing;
    clip.out -= clip.in;
    clip.in = 0.0;
    landing.at = 0.0;
    landing.parked = start == 3;
    landing.preRoll = start == 2 || (flags & 4) != 0;
    landing.jitter = (flags & 1) != 0;
    landing.dips = (flags & 2) != 0;
    if (landing.preRoll)
        landing.at = -random.Uniform(0.001, ShowDirector::kPreRollSeconds);
    return landing;
}

Clip Fitted(const ShowDirector& show, Clip clip, bool knownLanding)
{
    if (show.PassFits(clip, knownLanding))
        return clip;
    const double needUs = static_cast<double>(
        knownLanding ? 3 * show.Host().LongestSampleUs() : show.GestureUs());
    double length =
        std::max(0.006 + SampleTravel(show, clip.speed), 1.1 * clip.speed * needUs / 1e6);
    if (!knownLanding)
        length = std::max(length, 1.1 * (show.ClearJump(clip.speed) + SampleTravel(show, clip.speed)));
    // Longer away from where its passes land.
    if (clip.mode != PlayMode::Backward)
        clip.out = clip.in + length;
    else
    {
        clip.in = std::max(0.0, clip.out - length);
        clip.out = clip.in + length;
    }
    return clip;
}

std::string Describe(const char* what, const Clip& clip, double landing)
{
    static constexpr const char* kModes[] = {"forwards", "backwards", "ping-pong"};
    char text[160];
    std::snprintf(text, sizeof text, "%s %s %.2fx, in %.4f out %.4f, lands at %.4f", what,
                  kModes[static_cast<int>(clip.mode)], clip.speed, clip.in, clip.out, landing);
    return text;
}

void PlayOn(ShowDirector& show, ByteReader& reader)
{
    const int frames = 1 + reader.Byte();
    for (int i = 0; i < frames && !show.Full(); ++i)
        show.Frame();
}

void LaunchClip(ShowDirector& show, ByteReader& reader)
{
    const Clip before = show.Head().Current();
    Clip clip = ReadClip(reader, before, show);
    // Points that move do so clearly, as moved points do: a launch is a loop to them as well,
    // read at the speed the clip last played.
    const double least =
        2.0 * SampleTravel(show, std::max({clip.speed, before.speed, show.LastPlayedSpeed()})) +
        kPointMove;
    if (std::abs(clip.in - before.in) < least)
    {
        clip.out += before.in - clip.in;
        clip.in = before.in;
    }
    if (std::abs(clip.out - before.out) < least && before.out > clip.in)
        clip.out = before.out;
    Landing landing = ReadLanding(reader, clip, show.Random());
    const double fraction = Fraction(reader);
    const bool rising = clip.mode != PlayMode::Backward;
    // Long enough for what the effect knows when it lands, and clearly against the way the old
    // clip played: moved there where it is not (down only as far as 0: then the old clip plays
    // on until it is).
    Clip fitted;
    double shift = 0.0;
    const auto placeable = [&]
    {
        fitted = Fitted(show, Fitted(show, clip, show.KnownLanding(clip, rising)), true);
        if (!rising)
            landing.at = fitted.out;
        const double margin = JumpMargin(show, fitted, landing.at, rising);
        shift = margin >= 0.0 ? 0.0 : show.Head().Rising() ? margin - 0.001 : 0.001 - margin;
        return fitted.in + shift >= 0.0 && show.ClearAhead(show.Head(), show.Host().LongestFrameUs());
    };
    if (!WaitSettled(show, placeable))
        return;
    clip = fitted;
    if (shift != 0.0)
    {
        clip.in += shift;
        clip.out += shift;
        clip = Fitted(show, clip, show.KnownLanding(clip, rising));
        landing = Landing{rising ? clip.in : clip.out};
        if (JumpMargin(show, clip, landing.at, rising) < 0.0)
            return;
    }
    // Fitting may bring a point back close to the one before, or to one learnt from a clip
    // before that: no clear move, no launch.
    if (Unclear(clip.in, before.in, least) || Unclear(clip.out, before.out, least) ||
        !ClearOfLearnt(show, clip, least))
        return;
    show.AdvanceBetween(fraction);
    show.Launch(clip, landing.at, rising, Describe("launch", clip, landing.at));
    if (landing.parked)
    {
        show.Park(landing.at, landing.jitter, landing.dips);
        show.Note(Feature::Parked);
    }
    if (landing.preRoll)
        show.Note(Feature::PreRoll);
    show.Note(Feature::SecondClip);
    if (before.speed > 0.0 && clip.speed != before.speed)
        show.Note(Feature::NewSpeedClip);
    if (clip.in != before.in || clip.out != before.out)
        show.Note(Feature::NewPointsClip);
    NoteClip(show, clip);
}

void Retrigger(ShowDirector& show, ByteReader& reader)
{
    const double fraction = Fraction(reader);
    const auto clear = [&]
    {
        const HostPlayhead& head = show.Head();
        const Clip& clip = head.Current();
        const bool rising = head.Rising();
        return clip.speed > 0.0 && (rising || clip.mode == PlayMode::Backward) &&
               JumpMargin(show, clip, rising ? clip.in : clip.out, rising) >= 0.0 &&
               show.PassFits(clip, show.KnownLanding(clip, rising)) &&
               show.ClearAhead(head, show.Host().LongestFrameUs());
    };
    if (!WaitSettled(show, clear))
        return;
    show.AdvanceBetween(fraction);
    const Clip clip = show.Head().Current();
    const bool rising = show.Head().Rising();
    const double landing = rising ? clip.in : clip.out;
    show.Launch(clip, landing, rising, Describe("re-trigger", clip, landing));
    show.Note(Feature::Retrigger);
}

void ChangeSpeed(ShowDirector& show, ByteReader& reader)
{
    double speed = kSpeeds[reader.Pick(std::size(kSpeeds))];
    const double fraction = Fraction(reader);
    if (speed == 0.0)
        speed = std::min(16.0, 2.0 * std::max(0.1, show.Head().Current().speed));
    const auto fits = [&]
    {
        HostPlayhead after = show.Head();
        after.SetSpeed(speed);
        Clip clip = after.Current();
        // A point moved since passes began at it moved clearly at the speed it plays at now.
        const double least = 2.0 * SampleTravel(show, speed) + kPointMove;
        // It comes within the next frame: no point on the way there at the old speed either.
        return speed != show.Head().Current().speed && ClearOfLearnt(show, clip, least) &&
               show.PassFits(clip, show.NextLandingKnown(clip)) &&
               show.ClearAhead(after, show.Host().LongestFrameUs()) &&
               show.ClearAhead(show.Head(), show.Host().LongestFrameUs());
    };
    if (!WaitSettled(show, fits))
        return;
    show.AdvanceBetween(fraction);
    char text[80];
    std::snprintf(text, sizeof text, "speed %.2fx -> %.2fx", show.Head().Current().speed, speed);
    show.Event(text);
    show.SetSpeed(speed);
    show.HoldQuiet(0);
    show.Note(Feature::SpeedChange);
    NoteClip(show, show.Head().Current());
}

void PauseClip(ShowDirector& show, ByteReader& reader)
{
    const std::int64_t pauseUs = 100000 + 10000 * std::int64_t{reader.Byte()};
    const double fraction = Fraction(reader);
    const double speed = show.Head().Current().speed;
    const auto playing = [&]
    { return speed > 0.0 && show.ClearAhead(show.Head(), show.Host().LongestFrameUs()); };
    if (!WaitSettled(show, playing))
        return;
    show.AdvanceBetween(fraction);
    show.Event("pause");
    show.SetSpeed(0.0);
    show.HoldQuiet(0);
    show.Note(Feature::Pause);
    show.PlayUntil([] { return false; }, pauseUs);
    // Where it stands, as far from the next point as when it stopped.
    if (!WaitSettled(show, [] { return true; }))
        return;
    show.AdvanceBetween(fraction);
    show.Event("play on");
    show.SetSpeed(speed);
    show.HoldQuiet(0);
}

void MovePoints(ShowDirector& show, ByteReader& reader)
{
    const std::uint32_t which = reader.Pick(3);
    const double inShare = Fraction(reader);
    const double outShare = Fraction(reader);
    Clip moved;
    const auto fits = [&]
    {
        const HostPlayhead& head = show.Head();
        const Clip& clip = head.Current();
        const double at = head.Position();
        const double least = 2.0 * SampleTravel(show, clip.speed) + kPointMove;
        if (clip.speed <= 0.0)
            return false;
        moved = clip;
        if (which != 1)
            moved.in = inShare * std::max(0.0, at - show.ClearJump(clip.speed));
        if (which != 0)
            moved.out = at + clip.speed * static_cast<double>(show.GestureUs()) / 1e6 +
                        outShare * 5.0 * std::max(clip.speed, 0.2);
        if (std::abs(moved.in - clip.in) < least)
            moved.in = clip.in;
        if (std::abs(moved.out - clip.out) < least)
            moved.out = clip.out;
        if (moved.in == clip.in && moved.out == clip.out)
            return false;
        HostPlayhead after = head;
        after.SetPoints(moved.in, moved.out);
        const bool rising = moved.mode != PlayMode::Backward;
        const bool known = moved.mode == PlayMode::PingPong || show.KnownLanding(moved, rising);
        return ClearOfLearnt(show, moved, least) && show.PassFits(moved, known) &&
               show.ClearAhead(after);
    };
    if (!WaitSettled(show, fits))
        return;
    char text[80];
    std::snprintf(text, sizeof text, "points moved to in %.4f out %.4f", moved.in, moved.out);
    show.Event(text);
    show.SetPoints(moved.in, moved.out);
    show.HoldQuiet(0);
    show.Note(Feature::PointsMoved);
}
} // namespace showfuzz
