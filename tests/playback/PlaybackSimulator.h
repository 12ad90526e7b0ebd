// A host playing the effect's clip as performers' hosts do, on its own clock: between an in and
// an out point, forwards, backwards or ping-pong, at 0.25x to 8x with changes of speed, with
// re-triggers, scrubs, pauses, stalls and hidden spells (across loops too), a clock that wobbles
// or re-syncs a little back, calls that come a few milliseconds after the clock was read, and
// uneven frames at 8 to 240 fps. Seeded. It knows when each pass really began, and which passes
// an effect that joins the clip must count.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace vdrxtest
{

// One frame as the effect gets it.
struct ShowFrame
{
    std::int64_t callUs = 0; // when SetTime reaches the effect, on the effect's clock
    double time = 0.0;       // the clip time it gives
    bool draws = true;       // ProcessOpenGL follows (false: hidden, SetTime only)
    bool pressesTest = false;
};

// A pass the effect must count, on the effect's clock.
struct TruePass
{
    // When the playhead was at its beginning (dated), or the frame the effect counts it from (a
    // scrub, a late join, a wrap before any was seen; not dated).
    std::int64_t beginUs = 0;
    bool dated = true;
    // How late a dated beginning may be: what the effect cannot know of the in or out point.
    std::int64_t unknowableUs = 0;
    // No earlier than this may it be dated: where the playhead really was at its beginning.
    std::int64_t earliestUs = 0;
    std::size_t firstFrame = 0; // the first frame after its beginning
    std::size_t shownFrame = 0; // the frame by which the effect can tell it began
    std::int64_t endUs = 0;     // when the next pass began, or the play ended
    std::string what;
};

struct Episode
{
    std::vector<ShowFrame> frames;
    std::vector<TruePass> passes;
    std::string description;
    double framePeriodUs = 0.0;
};

class PlaybackSimulator
{
public:
    explicit PlaybackSimulator(std::uint32_t seed) : random(seed) {}

    // A clip that a new effect instance joins at `startUs` (the host's clock), played for a few
    // passes.
    Episode Play(std::int64_t startUs);

private:
    enum class Mode
    {
        Forward,
        Backward,
        PingPong,
    };
    struct Playhead
    {
        Mode mode = Mode::Forward;
        double in = 0.0;
        double out = 1.0;
        double position = 0.0;
        bool rising = true; // the way it plays: forwards, or ping-pong on its way up
        double speed = 1.0; // 0 while paused
    };
    // Where a pass began, or the clip turned at its top, on the host's clock.
    struct Beginning
    {
        std::int64_t hostUs = 0;
        enum class Kind
        {
            Launch,
            Join,
            Loop,
            Wrap,
            Bottom,
            Top,
            Retrigger,
            Scrub,
        } kind = Kind::Loop;
        double speed = 1.0; // the speed it was dated with
    };

    void Run(Playhead& head, std::int64_t fromUs, std::int64_t us,
             std::vector<Beginning>& beginnings);
    // Something a performer or the host does between two frames, far from the clip's ends.
    // Answers whether the clock re-synced.
    bool Perturb(Playhead& head, std::int64_t atUs, double periodUs,
                 std::vector<Beginning>& beginnings, bool mayResync);
    // What the effect must count of each beginning, from the frames it got.
    void Judge(const Playhead& start, const std::vector<Beginning>& beginnings,
               const std::vector<std::int64_t>& readUs, std::int64_t delayUs,
               Episode& episode) const;
    double SecondsToBoundary(const Playhead& head) const;
    double PassSeconds(const Playhead& head) const;

    int Pick(int low, int high) { return std::uniform_int_distribution(low, high)(random); }
    double Uniform(double low, double high)
    {
        return low < high ? std::uniform_real_distribution(low, high)(random) : low;
    }
    bool Chance(double p) { return std::bernoulli_distribution(p)(random); }

    std::mt19937 random;
    double lowestSpeed = 0.25;
    double highestSpeed = 8.0;
    std::int64_t pausedUntilUs = 0;
};

} // namespace vdrxtest
