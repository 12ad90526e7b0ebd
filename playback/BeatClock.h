// Beats counted from a clip's start at the tempo the host pushes. A tempo change keeps the
// beats already counted and moves the moment of the rest. A plain value: its owner guards it.
#pragma once

#include <cstdint>

class BeatClock
{
public:
    static constexpr double kDefaultBpm = 120.0;

    // Beats count from 0 at `startUs` on the steady clock, at the tempo in force.
    void Start(std::int64_t startUs);
    // The start was `earlierUs` earlier than told: the beats counted so far grow by that time at
    // the tempo in force.
    void StartEarlier(std::int64_t earlierUs);
    // The tempo from `nowUs` on; the caller has checked it (finite, above 0). True when it
    // changed.
    bool SetTempo(double bpm, std::int64_t nowUs);

    double Bpm() const { return bpm; }
    // Beats counted by `nowUs`; negative before the start.
    double BeatsAt(std::int64_t nowUs) const;
    // When `beats` beats will have been counted at the tempo in force; a moment already passed
    // for beats counted before the last tempo change.
    std::int64_t MomentOf(double beats) const;

private:
    double bpm = kDefaultBpm;
    std::int64_t sinceUs = 0; // the start, or the last tempo change after it
    double beatsSince = 0.0;  // beats counted by then
};
