#include "fuzz/ShowBytes.h"

#include "fuzz/ShowGrammar.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace showfuzz
{
namespace
{
using grammar::Action;

template <typename Table> std::uint8_t IndexOf(const Table& table, double value)
{
    const auto at = std::find(std::begin(table), std::end(table), value);
    if (at == std::end(table))
    {
        std::fprintf(stderr, "the grammar has no %g\n", value);
        std::abort();
    }
    return static_cast<std::uint8_t>(at - std::begin(table));
}

std::uint8_t Byte(Action action)
{
    return static_cast<std::uint8_t>(action);
}
} // namespace

ShowBytes::ShowBytes(const Host& host)
{
    constexpr std::uint8_t kTimes[] = {0, 2, 3}; // the decoder's index of each Rhythm::Times
    Put({IndexOf(grammar::kRates, host.fps), static_cast<std::uint8_t>(host.uneven | host.drops << 2),
         static_cast<std::uint8_t>(static_cast<int>(host.lateness) | host.lateMs << 2),
         static_cast<std::uint8_t>((host.timeAfterFrame ? 1 : 0) |
                                   kTimes[static_cast<int>(host.times)] << 1),
         static_cast<std::uint8_t>(host.seed >> 8), static_cast<std::uint8_t>(host.seed),
         host.delays[0], host.delays[1], host.delays[2]});
}

ShowBytes& ShowBytes::OpenLaunched(const Clip& clip, std::uint8_t fraction, std::uint8_t backKind,
                                   std::uint8_t backAmount)
{
    PutClip(clip);
    Put({1, fraction, 0, backKind, backAmount});
    return *this;
}

ShowBytes& ShowBytes::OpenMidClip(const Clip& clip, std::uint8_t share, bool up,
                                  std::uint8_t backKind, std::uint8_t backAmount)
{
    PutClip(clip);
    Put({0, share, static_cast<std::uint8_t>(up ? 1 : 0), backKind, backAmount});
    return *this;
}

ShowBytes& ShowBytes::Play(int frames)
{
    for (; frames > 0; frames -= 256)
        Do(Byte(Action::PlayOn), {static_cast<std::uint8_t>(std::min(frames, 256) - 1)});
    return *this;
}

ShowBytes& ShowBytes::Launch(const Clip& clip, std::uint8_t fraction)
{
    Do(Byte(Action::Launch), {});
    PutClip(clip);
    Put({fraction});
    return *this;
}

ShowBytes& ShowBytes::Speed(double speed)
{
    return Do(Byte(Action::ChangeSpeed), {IndexOf(grammar::kSpeeds, speed), 100});
}

ShowBytes& ShowBytes::Resync(int ms, bool backToBack)
{
    return Do(Byte(Action::Resync),
              {static_cast<std::uint8_t>(ms - 1), static_cast<std::uint8_t>(backToBack)});
}

ShowBytes& ShowBytes::Dip(std::uint8_t share)
{
    return Do(Byte(Action::Dip), {share});
}

ShowBytes& ShowBytes::ScrubBack(std::uint8_t share, bool backToBack)
{
    return Do(Byte(Action::Scrub), {static_cast<std::uint8_t>(backToBack ? 2 : 0), share});
}

ShowBytes& ShowBytes::DragBack(int steps, std::uint8_t extra, int apart)
{
    return Do(Byte(Action::Drag), {static_cast<std::uint8_t>(steps - 2), extra,
                                   static_cast<std::uint8_t>(apart - 1)});
}

ShowBytes& ShowBytes::Stall(int ms)
{
    return Do(Byte(Action::Stall), {static_cast<std::uint8_t>((ms - 100) / 3)});
}

ShowBytes& ShowBytes::PauseAndHide(int ms, bool playOn)
{
    return Do(Byte(Action::PauseAndHide),
              {static_cast<std::uint8_t>((ms - 600) / 10), static_cast<std::uint8_t>(playOn ? 4 : 0)});
}

ShowBytes& ShowBytes::StopTimes(int ms)
{
    return Do(Byte(Action::StopTimes), {static_cast<std::uint8_t>((ms - 300) / 5)});
}

ShowBytes& ShowBytes::MoveIn(std::uint8_t share)
{
    return Do(Byte(Action::MovePoints), {0, share, 0});
}

ShowBytes& ShowBytes::PressTest()
{
    return Do(Byte(Action::PressTest), {});
}

ShowBytes& ShowBytes::Join()
{
    return Do(Byte(Action::Join), {0, 0});
}

ShowBytes& ShowBytes::Do(std::uint8_t action, std::initializer_list<std::uint8_t> then)
{
    Put({action});
    Put(then);
    return *this;
}

void ShowBytes::Put(std::initializer_list<std::uint8_t> more)
{
    bytes.insert(bytes.end(), more);
}

void ShowBytes::PutClip(const Clip& clip)
{
    Put({static_cast<std::uint8_t>(clip.mode), IndexOf(grammar::kSpeeds, clip.speed),
         IndexOf(grammar::kInPoints, clip.in), clip.length, clip.start});
    if (clip.start == 3)
        Put({clip.flags});
}
} // namespace showfuzz
