// Host shows played to the built plug-in as a host plays them, with the real clock and real UDP
// on 127.0.0.1: a next clip at another speed, a fast launch, in points that move or lie near 0,
// a pre-roll, clock steps back, loops of three frames, a hand drag, stalls with late calls, a
// join near a wrap, a turn across a stall, and a start with frames but no time after it. Each
// message must arrive once per pass whose length leaves room for its delay, never before the
// moment the host's playhead was at the pass's beginning plus its delay.
//
// Usage: host_shows_run [repeats=1]
#include "tests/playback/HostShow.h"
#include "tools/testhost/GlContext.h"
#include "tools/testhost/OscReceiver.h"
#include "tools/testhost/ParameterIndex.h"
#include "tools/testhost/PluginLibrary.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;
using vdrxtest::Forward;
using vdrxtest::HostShow;
using vdrxtest::PingPong;
using namespace testhost;

// Transition, next clip, free message.
constexpr std::array<double, 3> kDelays = {0.0, 0.3, 0.7};
constexpr const char* kFreeMessage = "/bench i 1";

struct Row
{
    const char* name;
    HostShow show;
    double from;
    double to;
    std::vector<double> beginnings; // seconds of play
    double timeBefore = -1.0;       // the clip before, given once before the show
};

std::size_t KindOf(const std::string& address)
{
    if (address.ends_with("/transition/duration"))
        return 0;
    return address.ends_with("/connectnextclip") ? 1 : 2;
}

Clock::time_point At(Clock::time_point origin, double seconds)
{
    return origin + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

void Configure(const PluginLibrary& plugin, void* instance, std::uint16_t port)
{
    plugin.SetParameter(instance, OscPortIndex, std::to_string(port).c_str());
    plugin.SetParameter(instance, LayerTransIndex, 1.0f);
    plugin.SetParameter(instance, DelayIndex, static_cast<float>(kDelays[0] * 1000.0));
    plugin.SetParameter(instance, NextClipIndex, 1.0f);
    plugin.SetParameter(instance, DelayNextClipIndex, static_cast<float>(kDelays[1] * 1000.0));
    plugin.SetParameter(instance, OscMsgIndex, kFreeMessage);
    plugin.SetParameter(instance, MessageDelayIndex, static_cast<float>(kDelays[2] * 1000.0));
}

void Play(const PluginLibrary& plugin, void* instance, const Row& row, Clock::time_point origin)
{
    if (row.timeBefore >= 0.0)
    {
        std::this_thread::sleep_until(At(origin, row.from - 0.1));
        plugin.SetTime(instance, row.timeBefore);
    }
    for (int frame = 0;; ++frame)
    {
        const double at = row.from + frame / row.show.fps;
        if (at >= row.to)
            return;
        if (row.show.Hidden(at))
            continue;
        const double late = row.show.late(frame);
        std::this_thread::sleep_until(At(origin, at + late));
        // Read as late before the call as the show says, however late this thread woke: a
        // host's calls come at most 10 ms after its reading.
        const double read =
            std::chrono::duration<double>(Clock::now() - origin).count() - late;
        plugin.SetTime(instance, row.show.clip(std::max(at, read)));
        plugin.ProcessOpenGL(instance, FrameIn{0, 0, nullptr});
    }
}

struct Outcome
{
    int expected = 0;
    int arrived = 0;
    int missing = 0;
    int repeated = 0;
    int early = 0;
    double latestMs = 0.0;
};

// Which pass each arrival belongs to: the last whose moment for that message it is not well
// before; early where it came before that moment.
Outcome Judge(const Row& row, Clock::time_point origin, const std::vector<ReceivedOsc>& arrivals)
{
    Outcome outcome;
    std::map<std::pair<std::size_t, std::size_t>, int> counted;
    for (const ReceivedOsc& message : arrivals)
    {
        const std::size_t kind = KindOf(message.address);
        const double at = std::chrono::duration<double>(message.arrival - origin).count();
        std::size_t pass = 0;
        for (std::size_t p = 0; p < row.beginnings.size(); ++p)
            if (row.beginnings[p] + kDelays[kind] <= at + 0.005)
                pass = p;
        const double lateMs = (at - row.beginnings[pass] - kDelays[kind]) * 1e3;
        outcome.early += lateMs < -0.05 ? 1 : 0;
        outcome.latestMs = std::max(outcome.latestMs, lateMs);
        ++counted[{pass, kind}];
        ++outcome.arrived;
    }
    for (std::size_t p = 0; p < row.beginnings.size(); ++p)
    {
        const double end = p + 1 < row.beginnings.size() ? row.beginnings[p + 1] : row.to;
        for (std::size_t kind = 0; kind < kDelays.size(); ++kind)
        {
            const int got = counted[{p, kind}];
            outcome.repeated += got > 1 ? got - 1 : 0;
            // Room for it before the next pass began, a frame and a half to spare.
            if (row.beginnings[p] + kDelays[kind] < end - 1.5 / row.show.fps)
            {
                ++outcome.expected;
                outcome.missing += got == 0 ? 1 : 0;
            }
        }
    }
    return outcome;
}

bool Run(const PluginLibrary& plugin, const Row& row)
{
    OscReceiver receiver;
    void* instance = plugin.InstantiateGL(ViewportIn{0, 0, 16, 16});
    if (!instance)
        return false;
    Configure(plugin, instance, receiver.Port());
    const Clock::time_point origin = Clock::now() + std::chrono::milliseconds(200) -
                                     std::chrono::duration_cast<Clock::duration>(
                                         std::chrono::duration<double>(row.from));
    std::atomic<bool> done{false};
    std::vector<ReceivedOsc> arrivals;
    std::thread listener(
        [&]
        {
            while (!done)
                if (auto message = receiver.Receive(std::chrono::milliseconds(20)))
                    arrivals.push_back(std::move(*message));
        });
    Play(plugin, instance, row, origin);
    std::this_thread::sleep_until(At(origin, row.to + 0.2));
    done = true;
    listener.join();
    plugin.DeinstantiateGL(instance);
    const Outcome outcome = Judge(row, origin, arrivals);
    std::printf("%-46s %3d messages of %3d due: missing %d, repeated %d, early %d, latest %+.2f ms\n",
                row.name, outcome.arrived, outcome.expected, outcome.missing, outcome.repeated,
                outcome.early, outcome.latestMs);
    std::fflush(stdout);
    return outcome.missing == 0 && outcome.repeated == 0 && outcome.early == 0;
}

std::vector<double> Every(double first, double pass, int count)
{
    std::vector<double> beginnings;
    for (int i = 0; i < count; ++i)
        beginnings.push_back(first + i * pass);
    return beginnings;
}

std::vector<Row> Rows()
{
    std::vector<Row> rows;
    rows.push_back({"1x, then a next clip at 6x, 24 fps",
                    HostShow(24.0, [](double at)
                             { return at < 2.0 ? Forward(at, 0, 0, 1, 1) : Forward(at, 2, 0, 6, 6); }),
                    0.0, 5.99, {0.0, 1.0, 2.0, 3.0, 4.0, 5.0}, 2.5});
    rows.push_back({"ping-pong 0.25x, then 4x, 30 fps",
                    HostShow(30.0, [](double at)
                             { return at < 4.0 ? PingPong(at, 0, 0, 0.5, 0.25) : PingPong(at, 4, 0, 2, 4); }),
                    0.0, 7.99, {0.0, 4.0, 5.0, 6.0, 7.0}});
    std::vector<double> fast = {0.0};
    for (double b : Every(1.5, 0.1, 16))
        fast.push_back(b);
    rows.push_back({"a clip launched at 10x, 60 fps",
                    HostShow(60.0, [](double at)
                             { return at < 1.5 ? Forward(at, 0, 0, 3, 1) : Forward(at, 1.5, 0, 1, 10); }),
                    0.0, 3.099, fast, 2.5});
    std::vector<double> moved = {0.0, 2.05};
    for (double b : Every(3.9, 1.3071, 3))
        moved.push_back(b);
    rows.push_back({"the in point moves to 1.0, 60 fps",
                    HostShow(60.0, [](double at)
                             { return at < 3.9 ? Forward(at, 0, 0, 2.05, 1) : Forward(at, 3.9, 1.0, 2.3071, 1); }),
                    0.0, 3.9 + 3 * 1.3071 - 0.01, moved, 2.5});
    rows.push_back({"an in point at 0.02, 60 fps",
                    HostShow(60.0, [](double at) { return Forward(at, 0, 0.02, 1.22, 1); }), 0.0,
                    4.79, Every(0.0, 1.2, 4), 2.5});
    rows.push_back({"parked at its start, dipping below 0, 60 fps",
                    HostShow(60.0, [](double at) { return std::fmod(at, 1.0) < 0.016 ? -0.001 : 0.0; }),
                    0.0, 3.0, {0.0}, 2.5});
    rows.push_back({"the clock 50 ms back mid-clip, 60 fps",
                    HostShow(60.0, [](double at) { return Forward(at, 0, 0, 3, 1) - (at >= 1.5 ? 0.05 : 0.0); }),
                    0.0, 2.9, {0.0}, 2.9});
    rows.push_back({"loops of 3 frames, now and then 3 ms late",
                    HostShow(60.0, [](double at) { return Forward(at, 0, 0, 0.05, 1); },
                             [](int frame) { return frame % 7 == 3 ? 0.003 : 0.0; }),
                    0.0, 59 * 0.05 - 0.001, Every(0.0, 0.05, 59), 0.9});
    rows.push_back({"a hand drag back in five steps, 60 fps",
                    HostShow(60.0, [](double at)
                             {
                                 if (at < 2.0)
                                     return at;
                                 return at < 2.24 ? 2.0 - 0.1 * (1 + std::floor((at - 2.0) / 0.06))
                                                  : 1.5 + (at - 2.24);
                             }),
                    0.0, 3.5, {0.0, 2.25}, 4.9});
    HostShow stall(60.0, [](double at) { return Forward(at, 0, 0, 1.5, 1); },
                   [](int frame) { return frame % 2 == 0 ? 0.0 : 0.010; });
    stall.hidden = {{1.2, 1.8}};
    rows.push_back({"a 600 ms stall, calls 0 or 10 ms late", stall, 0.0, 4.4, {0.0, 1.5, 3.0}, 1.4});
    rows.push_back({"a new instance 0.07 s before a wrap, 24 fps",
                    HostShow(24.0, [](double at) { return 2.0 - std::fmod(at + 1.93, 2.0); }), 0.0,
                    4.0, {0.07, 2.07}});
    HostShow turn(60.0, [](double at) { return PingPong(at, 0, 0, 1, 1); });
    turn.hidden = {{1.8, 2.2}};
    rows.push_back({"a stall across a ping-pong bottom, 60 fps", turn, 1.0, 5.99, {2.0, 4.0}});
    return rows;
}

// The host gives 0.0 and 0.02 back to back, then only frames: each message once.
bool RunOneStart(const PluginLibrary& plugin)
{
    Row row{"0.0, 0.02, then frames without time", HostShow(60.0, [](double) { return 0.0; }),
            0.0, 1.0, {0.0}};
    OscReceiver receiver;
    void* instance = plugin.InstantiateGL(ViewportIn{0, 0, 16, 16});
    if (!instance)
        return false;
    Configure(plugin, instance, receiver.Port());
    std::vector<ReceivedOsc> arrivals;
    plugin.SetTime(instance, 0.0);
    const Clock::time_point origin = Clock::now();
    plugin.SetTime(instance, 0.02);
    for (int frame = 0; frame < 60; ++frame)
    {
        std::this_thread::sleep_until(At(origin, frame / 60.0));
        plugin.ProcessOpenGL(instance, FrameIn{0, 0, nullptr});
        while (auto message = receiver.Receive(std::chrono::milliseconds(0)))
            arrivals.push_back(std::move(*message));
    }
    while (auto message = receiver.Receive(std::chrono::milliseconds(100)))
        arrivals.push_back(std::move(*message));
    plugin.DeinstantiateGL(instance);
    const Outcome outcome = Judge(row, origin, arrivals);
    std::printf("%-46s %3d messages of %3d due: missing %d, repeated %d, early %d, latest %+.2f ms\n",
                row.name, outcome.arrived, outcome.expected, outcome.missing, outcome.repeated,
                outcome.early, outcome.latestMs);
    return outcome.missing == 0 && outcome.repeated == 0 && outcome.early == 0;
}
} // namespace

int main(int argc, char** argv)
{
    const int repeats = argc > 1 ? std::atoi(argv[1]) : 1;
    std::string error;
    const auto context = CreateEglContext(error);
    if (!context)
    {
        std::fprintf(stderr, "no GL context: %s\n", error.c_str());
        return 1;
    }
    PluginLibrary plugin(VDRX_PLUGIN_PATH);
    bool ok = true;
    for (int repeat = 0; repeat < repeats; ++repeat)
    {
        for (const Row& row : Rows())
            ok = Run(plugin, row) && ok;
        ok = RunOneStart(plugin) && ok;
    }
    return ok ? 0 : 1;
}
