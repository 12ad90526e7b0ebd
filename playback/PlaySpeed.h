// How fast the clip's time runs, from the recent times of one run of it (no loop, turn or jump
// in between): the least-squares line through them, by the moments the times reached the
// plug-in. Hosts call a little after they read their clock, by an amount that varies; the line
// averages that out, and says how far off it may still be. A plain value: its owner guards it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

class PlaySpeed
{
public:
    // The most a host's call may come after the moment whose time it gives, beyond the least
    // it ever comes after it (what is the same for every call shifts every moment alike).
    static constexpr double kCallJitterSeconds = 0.001;
    // Calls that scatter more than this are not read as jitter at all.
    static constexpr double kLongestJitterSeconds = 0.05;

    struct Estimate
    {
        double speed = 0.0; // clip seconds per second, whichever way the clip plays
        // How far off the speed may be, relative, where each call came up to kCallJitterSeconds
        // late, or as late as the calls show.
        double uncertainty = 0.0;
    };

    // A new run begins with this time.
    void Restart(double time, std::int64_t atUs);
    // The run goes on to this time.
    void Add(double time, std::int64_t atUs);
    // Needs two times at least, taken at different moments.
    std::optional<Estimate> Current() const;
    std::size_t Times() const { return count; }
    // The line's best point, where its times are centred; needs two times (three without the
    // newest).
    struct Point
    {
        double time = 0.0;
        std::int64_t atUs = 0;
    };
    std::optional<Point> Centre(bool withoutNewest) const;

private:
    static constexpr std::size_t kTimes = 8;
    struct Line
    {
        double slope = 0.0;
        double meanX = 0.0;
        double meanY = 0.0;
        double sxx = 0.0;
        double jitter = kCallJitterSeconds; // how late the calls came, as far as they show
        double uncertainty = 0.0;
    };
    // Times by ordinal, 0 the oldest kept.
    std::size_t Index(std::size_t ordinal) const;
    double X(std::size_t ordinal) const;
    double Y(std::size_t ordinal) const;
    // The least-squares line through the `oldest` times but the one at `skip`.
    Line Fit(std::size_t oldest, std::size_t skip) const;
    // How far a time is off a line, in clip seconds.
    double Off(const Line& line, std::size_t ordinal) const;
    // From the last few times; from the first of the run where the speed held since.
    std::optional<Estimate> Recent() const;
    std::optional<Estimate> Whole() const;
    void Rebase();
    // The line without the one time furthest off it, where that one is off by more than late
    // calls explain.
    Line Robust() const;

    std::array<double, kTimes> times{};
    std::array<std::int64_t, kTimes> atUs{};
    // The run's first time (since the speed last changed): against the newest, a baseline far
    // longer than the last few times give.
    double firstTime = 0.0;
    std::int64_t firstAtUs = 0;
    std::size_t count = 0;
    std::size_t next = 0;
};
