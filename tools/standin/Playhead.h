// The host's playhead as the stand-in models it: where the clip's time stands at each moment of
// play, and when each pass of the clip begins. Forwards a pass runs from the in point to the out
// point and jumps back to the in point; backwards from the out point down to the in point and
// wraps to the out point; ping-pong up and down again, beginning at the in point at the bottom
// turn. The playhead moves at the speed in force, stands still at the in point for the hold at
// the start of each pass, and is set back where the host's clip clock re-syncs. Times of play
// are the frames' schedule, a pause of the frames not counted; a stall or a hidden layer does
// not stop the playhead. The summary counts every message from the beginnings this model gives,
// not from what the frames showed.
#pragma once

#include "tools/standin/Options.h"
#include "tools/standin/PlayDirection.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace standin
{

struct PlayheadSetup
{
    PlayDirection direction = PlayDirection::Forward;
    double in = 0.0; // clip seconds
    double out = 3.0;
    double speed = 1.0;                    // clip seconds per second of play, from the start
    std::vector<SpeedChange> speedChanges; // ascending by `at`
    std::vector<StepBack> stepBacks;       // ascending by `at`
    double holdSeconds = 0.0;              // at the in point, at the start of every pass
    int passes = 2;                        // 0: no end
};

class Playhead
{
public:
    struct Position
    {
        std::size_t pass = 0;  // 0 for the first
        double clipTime = 0.0; // what SetTime gives
        double intoPass = 0.0; // seconds of play since the pass began, its hold included
        bool held = false;     // in the hold at the pass's start
    };

    // Throws UsageError for a step-back that would carry the clip's time back across a loop
    // point, a wrap or a turn, or that falls in a hold, where no host's clock re-syncs.
    explicit Playhead(const PlayheadSetup& setup = {});

    Position At(double played) const;
    std::size_t PassAt(double played) const;
    // Seconds of play at which the pass begins.
    double PassBegin(std::size_t pass) const;
    // When the last pass ends; none when the passes go on until interrupted.
    std::optional<double> End() const;
    // The clip time where a pass begins: the in point, backwards the out point.
    double StartTime() const;
    double In() const { return setup.in; }
    double Out() const { return setup.out; }
    double Span() const { return setup.out - setup.in; }
    double HoldSeconds() const { return setup.holdSeconds; }
    double SpeedAt(double played) const;
    double FastestSpeed() const;
    // Seconds of play the shortest pass may last: its hold, then its way at the fastest speed.
    double ShortestPass() const;

private:
    // From `from` on, the playhead has run `progress` clip seconds along its path (the passes
    // before included), and runs on at `rate`.
    struct Piece
    {
        double from = 0.0;
        double progress = 0.0;
        double rate = 0.0;
    };

    // Clip seconds along the path from a pass's beginning to the next one.
    double PassLength() const;
    double ClipTime(double progressInPass) const;
    // The clip seconds run since the last loop point, wrap or turn, `progressInPass` into a pass.
    double SinceTurn(double progressInPass) const;
    // Plays the passes until the last speed change and step-back are behind, or the play ends.
    void Walk();
    void RunPass(std::size_t pass, double& at, double& progress, double& rate);
    void StepBackAt(const StepBack& back, std::size_t pass, double& progress) const;

    PlayheadSetup setup;
    std::vector<Piece> pieces;       // ascending; they cover the play up to the last beginning
    std::vector<double> beginnings;  // of the passes walked
    std::size_t nextSpeedChange = 0; // during the walk
    std::size_t nextStepBack = 0;
    // From the last beginning walked on, each pass runs alike: its hold, then at this rate.
    double lastRate = 1.0;
    double period = 0.0;
};

} // namespace standin
