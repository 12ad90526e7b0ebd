#include "fuzz/HostPlayhead.h"

#include <algorithm>

namespace showfuzz
{
void HostPlayhead::Place(const Clip& placed, double position, bool up, double at)
{
    clip = placed;
    where = position;
    rising = up;
    atUs = at;
}

void HostPlayhead::SetPoints(double in, double out)
{
    clip.in = in;
    clip.out = out;
}

std::optional<HostPlayhead::Ahead> HostPlayhead::Next() const
{
    if (clip.speed <= 0.0)
        return std::nullopt;
    using Kind = Crossing::Kind;
    const double distance = std::max(0.0, rising ? clip.out - where : where - clip.in);
    Kind kind = Kind::Loop;
    switch (clip.mode)
    {
    case PlayMode::Forward:
        break;
    case PlayMode::Backward:
        kind = Kind::Wrap;
        break;
    case PlayMode::PingPong:
        kind = rising ? Kind::Top : Kind::Bottom;
        break;
    }
    return Ahead{distance / clip.speed * 1e6, kind};
}

void HostPlayhead::PlayTo(double toUs, std::vector<Crossing>& crossings)
{
    while (atUs < toUs)
    {
        const std::optional<Ahead> next = Next();
        if (!next || atUs + next->us > toUs)
        {
            where += (rising ? 1.0 : -1.0) * Travel(toUs - atUs);
            atUs = toUs;
            return;
        }
        atUs += next->us;
        crossings.push_back(Crossing{next->kind, atUs});
        switch (next->kind)
        {
        case Crossing::Kind::Loop:
            where = clip.in;
            break;
        case Crossing::Kind::Wrap:
            where = clip.out;
            break;
        case Crossing::Kind::Top:
            where = clip.out;
            rising = false;
            break;
        case Crossing::Kind::Bottom:
            where = clip.in;
            rising = true;
            break;
        }
    }
}
} // namespace showfuzz
