#include "tools/standin/Playhead.h"

#include "tools/standin/TextFormat.h"
#include "tools/standin/UsageError.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace standin
{
namespace
{
constexpr double kNever = std::numeric_limits<double>::infinity();

template <typename Timed> double MomentOf(const std::vector<Timed>& values, std::size_t next)
{
    return next < values.size() ? values[next].at : kNever;
}
} // namespace

Playhead::Playhead(const PlayheadSetup& playheadSetup) : setup(playheadSetup)
{
    Walk();
}

void Playhead::Walk()
{
    double at = 0.0;
    double progress = 0.0;
    double rate = setup.speed;
    for (std::size_t pass = 0;; ++pass)
    {
        beginnings.push_back(at);
        const bool ended = setup.passes != 0 && pass == static_cast<std::size_t>(setup.passes);
        const bool steady =
            nextSpeedChange == setup.speedChanges.size() && nextStepBack == setup.stepBacks.size();
        if (ended || steady)
            break;
        RunPass(pass, at, progress, rate);
    }
    lastRate = rate;
    period = setup.holdSeconds + PassLength() / rate;
}

void Playhead::RunPass(std::size_t pass, double& at, double& progress, double& rate)
{
    const double runFrom = at + setup.holdSeconds;
    if (setup.holdSeconds > 0.0)
        pieces.push_back(Piece{at, progress, 0.0});
    if (MomentOf(setup.stepBacks, nextStepBack) < runFrom)
        throw UsageError(FormatText("--step-back %g:%g falls in the hold at a clip's start, "
                                    "where the clip's time stands still",
                                    setup.stepBacks[nextStepBack].at,
                                    setup.stepBacks[nextStepBack].milliseconds));
    for (; MomentOf(setup.speedChanges, nextSpeedChange) < runFrom; ++nextSpeedChange)
        rate = setup.speedChanges[nextSpeedChange].speed;
    at = runFrom;
    pieces.push_back(Piece{at, progress, rate});
    const double end = static_cast<double>(pass + 1) * PassLength();
    for (;;)
    {
        const double speedAt = MomentOf(setup.speedChanges, nextSpeedChange);
        const double backAt = MomentOf(setup.stepBacks, nextStepBack);
        const double next = std::min(speedAt, backAt);
        if (next >= at + (end - progress) / rate)
            break;
        progress += (next - at) * rate;
        at = next;
        if (speedAt <= backAt)
            rate = setup.speedChanges[nextSpeedChange++].speed;
        else
            StepBackAt(setup.stepBacks[nextStepBack++], pass, progress);
        pieces.push_back(Piece{at, progress, rate});
    }
    at += (end - progress) / rate;
    progress = end;
}

void Playhead::StepBackAt(const StepBack& back, std::size_t pass, double& progress) const
{
    const double seconds = back.milliseconds / 1000.0;
    const double since = SinceTurn(progress - static_cast<double>(pass) * PassLength());
    if (since < seconds)
        throw UsageError(FormatText(
            "--step-back %g:%g would carry the clip's time back across a loop point, a wrap or "
            "a turn, which it passed only %.1f ms of clip time before",
            back.at, back.milliseconds, since * 1000.0));
    progress -= seconds;
}

Playhead::Position Playhead::At(double played) const
{
    played = std::max(played, 0.0);
    Position position;
    position.pass = PassAt(played);
    position.intoPass = played - PassBegin(position.pass);
    position.held = position.intoPass < setup.holdSeconds;
    double inPass = std::max(0.0, position.intoPass - setup.holdSeconds) * lastRate;
    if (played < beginnings.back())
    {
        const Piece& piece = *std::prev(std::upper_bound(pieces.begin(), pieces.end(), played,
                                                         [](double moment, const Piece& p)
                                                         { return moment < p.from; }));
        inPass = piece.progress + piece.rate * (played - piece.from) -
                 static_cast<double>(position.pass) * PassLength();
    }
    position.clipTime = ClipTime(std::clamp(inPass, 0.0, PassLength()));
    return position;
}

std::size_t Playhead::PassAt(double played) const
{
    const double steadyFrom = beginnings.back();
    if (played >= steadyFrom)
        return beginnings.size() - 1 +
               static_cast<std::size_t>(std::floor((played - steadyFrom) / period));
    const auto after = std::upper_bound(beginnings.begin(), beginnings.end(), played);
    return after == beginnings.begin() ? 0
                                       : static_cast<std::size_t>(after - beginnings.begin()) - 1;
}

double Playhead::PassBegin(std::size_t pass) const
{
    const std::size_t walked = beginnings.size() - 1;
    if (pass <= walked)
        return beginnings[pass];
    return beginnings.back() + static_cast<double>(pass - walked) * period;
}

std::optional<double> Playhead::End() const
{
    if (setup.passes == 0)
        return std::nullopt;
    return PassBegin(static_cast<std::size_t>(setup.passes));
}

double Playhead::StartTime() const
{
    return setup.direction == PlayDirection::Reverse ? setup.out : setup.in;
}

double Playhead::SpeedAt(double played) const
{
    double speed = setup.speed;
    for (const SpeedChange& change : setup.speedChanges)
    {
        if (change.at <= played)
            speed = change.speed;
    }
    return speed;
}

double Playhead::FastestSpeed() const
{
    double fastest = setup.speed;
    for (const SpeedChange& change : setup.speedChanges)
        fastest = std::max(fastest, change.speed);
    return fastest;
}

double Playhead::ShortestPass() const
{
    return setup.holdSeconds + PassLength() / FastestSpeed();
}

double Playhead::PassLength() const
{
    return setup.direction == PlayDirection::PingPong ? 2.0 * Span() : Span();
}

double Playhead::ClipTime(double progressInPass) const
{
    switch (setup.direction)
    {
    case PlayDirection::Forward:
        return setup.in + progressInPass;
    case PlayDirection::Reverse:
        return setup.out - progressInPass;
    case PlayDirection::PingPong:
        break;
    }
    return progressInPass <= Span() ? setup.in + progressInPass
                                    : setup.out - (progressInPass - Span());
}

double Playhead::SinceTurn(double progressInPass) const
{
    if (setup.direction == PlayDirection::PingPong && progressInPass > Span())
        return progressInPass - Span();
    return progressInPass;
}

} // namespace standin
