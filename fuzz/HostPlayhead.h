// The host's playhead on the effect's clip, on the host's clock: between an in and an out point,
// forwards, backwards or ping-pong, at a speed (0 while paused), moving continuously. It is the
// truth a show is judged by, and knows nothing of the effect.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace showfuzz
{
enum class PlayMode : std::uint8_t
{
    Forward,
    Backward,
    PingPong,
};

struct Clip
{
    PlayMode mode = PlayMode::Forward;
    double in = 0.0; // clip seconds
    double out = 1.0;
    double speed = 1.0; // clip seconds per host second; 0 while paused
};

// A point the playhead reached as it played.
struct Crossing
{
    enum class Kind : std::uint8_t
    {
        Loop,   // forwards at the out point: on from the in point
        Wrap,   // backwards at the in point: on from the out point
        Top,    // ping-pong at the out point: down again
        Bottom, // ping-pong at the in point: up again
    };
    Kind kind = Kind::Loop;
    double atUs = 0.0;
};

class HostPlayhead
{
public:
    // At `position` at `atUs`, going up (`rising`) or down.
    void Place(const Clip& clip, double position, bool rising, double atUs);
    // Plays on to `toUs`, adding the points reached on the way.
    void PlayTo(double toUs, std::vector<Crossing>& crossings);
    void SetSpeed(double speed) { clip.speed = speed; }
    void SetPoints(double in, double out);
    void MoveTo(double position) { where = position; }

    double Position() const { return where; }
    bool Rising() const { return rising; }
    const Clip& Current() const { return clip; }
    // The clip seconds `us` of play carry.
    double Travel(double us) const { return clip.speed * us / 1e6; }

    // The next point it will reach at its speed, and in how many host microseconds; none while
    // paused.
    struct Ahead
    {
        double us = 0.0;
        Crossing::Kind kind = Crossing::Kind::Loop;
    };
    std::optional<Ahead> Next() const;

private:
    Clip clip;
    double where = 0.0;
    bool rising = true;
    double atUs = 0.0;
};
} // namespace showfuzz
