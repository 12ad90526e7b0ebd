// A show written in the bytes the decoder reads (docs/fuzzing.md), in the order it reads them:
// for seeds and tests that need a show of their own choosing.
#pragma once

#include "fuzz/HostPlayhead.h"
#include "fuzz/HostRhythm.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace showfuzz
{
class ShowBytes
{
public:
    struct Host
    {
        double fps = 60;
        std::uint8_t uneven = 0; // index of grammar::kUneven
        std::uint8_t drops = 0;  // index of grammar::kDrops
        Rhythm::Lateness lateness = Rhythm::Lateness::Constant;
        std::uint8_t lateMs = 0;
        bool timeAfterFrame = false;
        Rhythm::Times times = Rhythm::Times::EveryFrame;
        std::uint16_t seed = 1;
        std::uint8_t delays[3] = {0, 3, 6}; // hundreds of milliseconds
    };
    // A clip: `length` is the decoder's length byte (below 96: 3 + byte / 8 readings' travel;
    // above: (byte - 95) x 50 ms of play). `start` 2: below 0; 3: parked, with `flags`.
    struct Clip
    {
        PlayMode mode = PlayMode::Forward;
        double speed = 1.0;
        double in = 0.0;
        std::uint8_t length = 255;
        std::uint8_t start = 0;
        std::uint8_t flags = 0;
    };

    explicit ShowBytes(const Host& host);

    // The first clip launched `fraction`/256 of a frame before the first frame (0: at it), or
    // playing at `share`/256 of its length when the effect is added; then what comes back to
    // back with the first reading (`backKind` 2: `backAmount` - 50 ms of clip; 3: a scrub back
    // of 100 + 20 x `backAmount` ms).
    ShowBytes& OpenLaunched(const Clip& clip, std::uint8_t fraction, std::uint8_t backKind = 0,
                            std::uint8_t backAmount = 0);
    ShowBytes& OpenMidClip(const Clip& clip, std::uint8_t share, bool up, std::uint8_t backKind = 0,
                           std::uint8_t backAmount = 0);

    ShowBytes& Play(int frames);
    ShowBytes& Launch(const Clip& clip, std::uint8_t fraction = 128);
    ShowBytes& Speed(double speed);
    ShowBytes& Resync(int ms, bool backToBack);
    ShowBytes& Dip(std::uint8_t share);
    ShowBytes& ScrubBack(std::uint8_t share, bool backToBack);
    ShowBytes& DragBack(int steps, std::uint8_t extra, int apart);
    ShowBytes& Stall(int ms);
    ShowBytes& PauseAndHide(int ms, bool playOn);
    ShowBytes& StopTimes(int ms);
    ShowBytes& MoveIn(std::uint8_t share);
    ShowBytes& PressTest();
    ShowBytes& Join();

    std::vector<std::uint8_t> bytes;

private:
    ShowBytes& Do(std::uint8_t action, std::initializer_list<std::uint8_t> then);
    void Put(std::initializer_list<std::uint8_t> more);
    void PutClip(const Clip& clip);
};
} // namespace showfuzz
