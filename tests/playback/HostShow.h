// A host playing a clip, for shows played to the tracker or to the built plug-in: its playhead,
// its frame rate, how late each call comes after the frame read its clock, and spells without
// any call (a stall, a hidden layer).
#pragma once

#include <cmath>
#include <functional>
#include <utility>
#include <vector>

namespace vdrxtest
{
struct HostShow
{
    // `time`: the clip time at each moment of play (seconds); `lateness`: how many seconds after
    // its frame read the clock each call comes.
    HostShow(double rate, std::function<double(double)> time,
             std::function<double(int)> lateness = [](int) { return 0.0; })
        : fps(rate), clip(std::move(time)), late(std::move(lateness))
    {
    }

    bool Hidden(double at) const
    {
        for (const auto& [from, to] : hidden)
            if (at >= from && at < to)
                return true;
        return false;
    }

    double fps;
    std::function<double(double)> clip;
    std::function<double(int)> late;
    std::vector<std::pair<double, double>> hidden;
};

// A clip looping forwards between `in` and `out` at `speed`, its pass beginning at `begin`.
inline double Forward(double at, double begin, double in, double out, double speed)
{
    return in + std::fmod((at - begin) * speed, out - in);
}

// Ping-pong between `in` and `out`, at `in` going up at `begin`.
inline double PingPong(double at, double begin, double in, double out, double speed)
{
    const double length = out - in;
    const double phase = std::fmod((at - begin) * speed, 2 * length);
    return phase <= length ? in + phase : in + 2 * length - phase;
}
} // namespace vdrxtest
