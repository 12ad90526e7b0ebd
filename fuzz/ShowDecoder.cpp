#include "fuzz/ShowDecoder.h"

#include "fuzz/ShowActions.h"
#include "fuzz/ShowGrammar.h"

#include <algorithm>

namespace showfuzz
{
namespace
{
using hostfuzz::ByteReader;
using grammar::kDrops;
using grammar::kRates;
using grammar::kUneven;

constexpr Rhythm::Times kTimes[] = {Rhythm::Times::EveryFrame, Rhythm::Times::EveryFrame,
                                    Rhythm::Times::TwiceAFrame, Rhythm::Times::NowAndThen};
// In the order of grammar::Action.
constexpr ShowAction kActions[] = {
    &PlayOn, &PlayOn, &LaunchClip, &Retrigger, &ChangeSpeed,  &PauseClip, &Scrub,     &Drag,
    &Resync, &Dip,    &OddTime,    &Stall,     &Hide,         &PauseAndHide, &StopTimes,
    &PressTest,       &JoinEffect, &MovePoints,
};
static_assert(std::size(kActions) == static_cast<std::size_t>(grammar::Action::Count));
// Enough for every kind of event several times over, short enough for many shows a second.
constexpr int kMostActions = 120;

Rhythm ReadRhythm(ByteReader& reader)
{
    Rhythm rhythm;
    rhythm.fps = kRates[reader.Pick(std::size(kRates))];
    const std::uint8_t pacing = reader.Byte();
    rhythm.uneven = kUneven[pacing & 3];
    rhythm.dropRate = kDrops[(pacing >> 2) & 3];
    const std::uint8_t late = reader.Byte();
    rhythm.lateness = static_cast<Rhythm::Lateness>(late & 3);
    rhythm.lateUs = 1000 * ((late >> 2) % 11);
    const std::uint8_t calls = reader.Byte();
    rhythm.timeAfterFrame = (calls & 1) != 0;
    rhythm.times = kTimes[(calls >> 1) & 3];
    return rhythm;
}

void NoteRhythm(ShowDirector& show, const Rhythm& rhythm)
{
    if (rhythm.fps <= 12.0)
        show.Note(Feature::LowRate);
    if (rhythm.fps >= 120.0)
        show.Note(Feature::HighRate);
    if (rhythm.uneven > 0.0)
        show.Note(Feature::Uneven);
    if (rhythm.dropRate > 0.0)
        show.Note(Feature::Dropped);
    constexpr Feature kLateness[] = {Feature::LateConstant, Feature::LateUniform,
                                     Feature::LateAlternating, Feature::LateRarely};
    show.Note(kLateness[static_cast<int>(rhythm.lateness)]);
    if (rhythm.timeAfterFrame)
        show.Note(Feature::TimeAfterFrame);
    if (rhythm.times == Rhythm::Times::TwiceAFrame)
        show.Note(Feature::TwiceAFrame);
    if (rhythm.times == Rhythm::Times::NowAndThen)
        show.Note(Feature::NowAndThen);
}

// The first clip: launched just before the first frame, or playing (anywhere in it) when the
// effect is added at the first frame.
void Open(ShowDirector& show, ByteReader& reader)
{
    Clip clip = ReadClip(reader, Clip{}, show);
    Landing landing = ReadLanding(reader, clip, show.Random());
    const bool launched = reader.Flag();
    const double share = Fraction(reader);
    const bool up = reader.Flag();
    JoinFirst(show, reader);
    const bool rising =
        clip.mode == PlayMode::Forward || (clip.mode == PlayMode::PingPong && (launched || up));
    clip = Fitted(show, Fitted(show, clip, show.KnownLanding(clip, rising)), true);
    NoteClip(show, clip);
    if (launched)
    {
        if (!landing.preRoll)
            landing.at = rising ? clip.in : clip.out;
        show.OpenWithLaunch(clip, landing.at, share);
        if (landing.parked)
            show.Park(landing.at, landing.jitter, landing.dips);
        if (landing.parked)
            show.Note(Feature::Parked);
        if (landing.preRoll)
            show.Note(Feature::PreRoll);
        show.Event(Describe("the show opens with a launch:", clip, landing.at));
        return;
    }
    double position = clip.in + share * (clip.out - clip.in);
    // A join that counts needs its measuring window clear of the next point.
    const double needUs = std::max(250000.0, 3.0 * static_cast<double>(show.Host().LongestSampleUs())) +
                          static_cast<double>(show.Host().LongestFrameUs());
    // So does one that does not: its first readings would not tell a loop, wrap or turn from a
    // scrub, or from faster play.
    const double clear = clip.speed * needUs / 1e6;
    if (rising)
        position = std::max(clip.in, std::min(position, clip.out - clear));
    // Going down within the clip's first 50 ms, it looks parked at its start.
    if (!rising)
        position = std::min(clip.out, std::max({position, clip.in + clear,
                                                DownJoinLeast(show, clip.speed)}));
    show.Open(clip, position, rising);
    show.Event(Describe("the show opens mid-clip:", clip, position));
}
} // namespace

Show DecodeShow(const std::uint8_t* data, std::size_t size)
{
    ByteReader reader(data, size);
    const Rhythm rhythm = ReadRhythm(reader);
    const std::uint32_t seed = static_cast<std::uint32_t>(reader.Byte()) << 8 | reader.Byte();
    std::array<std::int32_t, 3> delaysMs{};
    for (std::int32_t& delay : delaysMs)
        delay = 100 * static_cast<std::int32_t>(reader.Pick(16));
    ShowDirector show(rhythm, seed);
    NoteRhythm(show, rhythm);
    Open(show, reader);
    for (int i = 0; i < kMostActions && !reader.AtEnd() && !show.Full(); ++i)
        kActions[reader.Pick(std::size(kActions))](show, reader);
    Show decoded = show.Finish();
    decoded.delaysMs = delaysMs;
    return decoded;
}
} // namespace showfuzz
