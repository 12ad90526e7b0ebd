// Writes the show fuzzer's seeds: a show for each way the playback tracker was found to fail,
// and the documented cases of times given back to back, in the bytes the decoder reads
// (docs/fuzzing.md). The fuzzer starts from them, and the tests replay them.
//
//   show_seeds FOLDER        (fuzz/corpus/show_fuzzer)
#include "fuzz/ShowBytes.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

namespace
{
using namespace showfuzz;

using Clip = ShowBytes::Clip;
using Host = ShowBytes::Host;

// A host at `fps` whose calls come 2 ms after its readings, or `lateness`.
Host At(double fps, Rhythm::Lateness lateness = Rhythm::Lateness::Constant)
{
    Host host;
    host.fps = fps;
    host.lateness = lateness;
    host.lateMs = 2;
    return host;
}

struct Seed
{
    const char* name;
    std::vector<std::uint8_t> bytes;
};

std::vector<Seed> Seeds()
{
    using L = Rhythm::Lateness;
    constexpr PlayMode kForward = PlayMode::Forward;
    constexpr PlayMode kBackward = PlayMode::Backward;
    constexpr PlayMode kPingPong = PlayMode::PingPong;
    // 3 s of play at 1x (the length byte's 50 ms steps).
    constexpr std::uint8_t k3s = 155;
    // Most shows begin where the effect is added to a clip already 2.3 s into its 3 s: no pass
    // counts before its first loop, so that what the show is about comes first.
    const Clip playing{kForward, 1.0, 0.0, k3s};
    constexpr std::uint8_t kLate = 200;
    std::vector<Seed> seeds;
    const auto add = [&](const char* name, const ShowBytes& show) { seeds.push_back({name, show.bytes}); };

    // A clip at 1x, then the layer's next at 6x (24 fps); 0.25x then 3x ping-pong; 0.5x then 8x
    // at 60 fps.
    add("next-clip-faster-24fps",
        ShowBytes(At(24)).OpenMidClip(playing, kLate, true).Play(40)
            .Launch(Clip{kForward, 6.0, 0.0, 101}).Play(200));
    add("next-clip-faster-pingpong",
        ShowBytes(At(30)).OpenMidClip(Clip{kPingPong, 0.25, 0.0, 135}, 100, false).Play(170)
            .Launch(Clip{kPingPong, 3.0, 0.0, 115}).Play(300));
    add("next-clip-8x-60fps",
        ShowBytes(At(60)).OpenMidClip(Clip{kForward, 0.5, 0.0, 255}, kLate, true).Play(120)
            .Launch(Clip{kForward, 8.0, 0.0, 105}).Play(400));
    // A clip launched at 10x, 60 fps: as the effect is added, and after another clip.
    add("launch-10x-60fps",
        ShowBytes(At(60)).OpenLaunched(Clip{kForward, 10.0, 0.0, 110}, 100).Play(600));
    add("next-clip-10x-60fps",
        ShowBytes(At(60)).OpenMidClip(playing, kLate, true).Play(60)
            .Launch(Clip{kForward, 10.0, 0.0, 110}).Play(600));
    // The next clip's in point is 1.0 where the last one's was 0; an in point moved while the
    // clip loops (24 fps).
    add("in-point-later-next-clip",
        ShowBytes(At(60)).OpenMidClip(playing, kLate, true).Play(120)
            .Launch(Clip{kForward, 1.0, 1.0, 135}).Play(500));
    add("in-point-moved-while-looping",
        ShowBytes(At(24)).OpenMidClip(playing, kLate, true).Play(30).MoveIn(120).Play(300));
    // An in point 0.02 s after 0: a trimmed leader frame.
    add("in-point-0.02",
        ShowBytes(At(60)).OpenMidClip(Clip{kForward, 1.0, 0.02, k3s}, kLate, true).Play(600));
    // Times just below 0: a launch whose third reading dips below 0; a clip parked at 0 dipping
    // 1 ms once a second; one parked with jitter.
    add("pre-roll-dip-after-launch",
        ShowBytes(At(60)).OpenMidClip(playing, kLate, true).Play(60)
            .Launch(Clip{kForward, 0.25, 0.0, 135}).Play(2).Dip(200).Play(300));
    add("parked-at-zero-dips",
        ShowBytes(At(60)).OpenMidClip(playing, kLate, true).Play(60)
            .Launch(Clip{kForward, 1.0, 0.0, k3s, 3, 2}).Play(600));
    add("parked-at-zero-jitter",
        ShowBytes(At(60)).OpenMidClip(playing, kLate, true).Play(60)
            .Launch(Clip{kForward, 1.0, 0.0, k3s, 3, 1}).Play(300));
    // A clip parked at 0 with jitter for seconds, then played (240 fps); one parked below 0 that
    // plays from a frame 12 fps apart.
    add("parked-jitter-then-plays",
        ShowBytes(At(240)).OpenMidClip(playing, kLate, true).Play(240)
            .Launch(Clip{kForward, 1.0, 0.0, k3s, 3, 1}).Play(1200).Speed(1.0).Play(480));
    add("parked-then-plays-12fps",
        ShowBytes(At(12)).OpenMidClip(playing, kLate, true).Play(12)
            .Launch(Clip{kForward, 1.0, 0.0, k3s, 3, 1}).Play(60).Speed(2.0).Play(30));
    // The speed doubled as the times stopped for 0.85 s (25 fps).
    add("speed-change-in-gap",
        ShowBytes(At(25)).OpenMidClip(Clip{kPingPong, 4.0, 0.0, 255}, 40, true).Play(10)
            .Speed(8.0).StopTimes(850).Play(50));
    // Steps back of 35 to 50 ms mid-clip (60 fps), and of 20 to 25 ms at 120 fps.
    add("resync-60fps",
        ShowBytes(At(60)).OpenMidClip(playing, kLate, true).Play(60)
            .Resync(35, false).Resync(42, false).Resync(50, true).Play(120));
    add("resync-120fps",
        ShowBytes(At(120)).OpenMidClip(playing, kLate, true).Play(120)
            .Resync(25, false).Resync(20, true).Play(200));
    // Loops of 3 frames (60 fps), now and then a call 10 ms late.
    add("three-frame-loops",
        ShowBytes(At(60, L::Rarely)).OpenMidClip(playing, kLate, true).Play(60)
            .Launch(Clip{kForward, 1.0, 0.0, 0}).Play(400));
    // A hand dragging the playhead back: 5 steps of about 0.1 s, 2 frames apart.
    add("hand-drag",
        ShowBytes(At(60)).OpenMidClip(playing, kLate, true).Play(120).DragBack(5, 0, 2).Play(120));
    // 9 fps with dropped frames; a 600 ms stall while calls come 0 and 10 ms late in turn.
    Host nine = At(9);
    nine.drops = 3;
    add("9fps-dropped-frames",
        ShowBytes(nine).OpenMidClip(playing, kLate, true).Play(120));
    add("stall-600ms-alternating-lateness",
        ShowBytes(At(60, L::Alternating)).OpenMidClip(playing, kLate, true).Play(60)
            .Stall(600).Play(300));
    // A new instance on a backwards clip at 0.07 s, 24 fps; a jump to 4x.
    add("backwards-join-near-wrap",
        ShowBytes(At(24)).OpenMidClip(Clip{kBackward, 1.0, 0.0, 135}, 9, false).Play(100)
            .Speed(4.0).Play(200));
    // Times back to back, with no frame between: 0.0 then 0.02; 0.5 then 0.52; 10.0 then 9.96;
    // 1.0 then 0.97 mid-clip; 10.0 then 4.9 (about: 9.97 then 4.87).
    add("back-to-back-0.0-0.02",
        ShowBytes(At(60)).OpenLaunched(Clip{kForward, 1.0, 0.0, 255}, 0, 2, 70).Play(120));
    add("back-to-back-0.5-0.52",
        ShowBytes(At(60)).OpenMidClip(Clip{kForward, 1.0, 0.5, 255}, 0, true, 2, 70).Play(120));
    add("back-to-back-10.0-9.96",
        ShowBytes(At(60)).OpenMidClip(Clip{kForward, 1.0, 5.0, 255}, 160, true, 2, 10).Play(120));
    add("back-to-back-1.0-0.97",
        ShowBytes(At(60)).OpenMidClip(playing, kLate, true).Play(95).Resync(30, true).Play(120));
    add("back-to-back-10.0-4.9",
        ShowBytes(At(60)).OpenMidClip(Clip{kForward, 1.0, 2.0, 255}, 255, true, 3, 250).Play(120));
    // A time of 0.0, then 0.02, then 1 s of frames without a time (delays 300 and 600 ms).
    Host road = At(60);
    road.delays[0] = 3;
    road.delays[1] = 6;
    road.delays[2] = 0;
    add("one-trigger-then-no-times",
        ShowBytes(road).OpenLaunched(Clip{kForward, 1.0, 0.0, 255}, 0, 2, 70).StopTimes(1000));
    // Ping-pong turns across stalls; a new instance just before a bottom turn (60 fps).
    add("pingpong-turns-across-stalls",
        ShowBytes(At(60)).OpenMidClip(Clip{kPingPong, 1.0, 0.0, 115}, 100, false).Play(30)
            .Stall(600).Play(20).Stall(600).Play(20).Stall(600).Play(60));
    // Stalls of 235 ms, one across a bottom turn whose pass is still dated when it turns at the
    // top (90 fps, calls up to 10 ms late); a ping-pong of 45 ms of clip at 0.1x, times now and
    // then (144 fps).
    Host lateAt90 = At(90, L::Uniform);
    lateAt90.lateMs = 10;
    ShowBytes stalls(lateAt90);
    stalls.OpenMidClip(Clip{kPingPong, 1.5, 0.0, 103}, 100, false);
    for (int i = 0; i < 8; ++i)
        stalls.Play(20 + 3 * i).Stall(235);
    add("pingpong-bottom-in-short-stalls", stalls.Play(90));
    Host sparse = At(144, L::Constant);
    sparse.lateMs = 8;
    sparse.times = Rhythm::Times::NowAndThen;
    add("pingpong-slow-tiny",
        ShowBytes(sparse).OpenLaunched(Clip{kPingPong, 0.1, 0.0, 104}, 0).Play(1200));
    add("pingpong-join-before-bottom",
        ShowBytes(At(60)).OpenMidClip(Clip{kPingPong, 1.0, 0.0, 115}, 12, false).Play(200));
    return seeds;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    for (const Seed& seed : Seeds())
    {
        std::ofstream out(folder / seed.name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(seed.bytes.data()),
                  static_cast<std::streamsize>(seed.bytes.size()));
    }
    return 0;
}
