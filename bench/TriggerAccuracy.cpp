// When a message arrives after its moment, as a performer feels it: the real clock, a host that
// calls SetBeatInfo, SetTime and ProcessOpenGL once per frame with a clip that restarts, and the
// datagrams caught on 127.0.0.1. Each clip carries three messages (delays 200, 300 and 500 ms);
// every other clip begins half a frame before its first frame (host time half a period), so the
// moments fall on frames and between them. Lateness is measured from the clip's start (its
// first frame's moment, less the host time that frame shows) plus the delay. Rows in beats count 16 beats
// at 128 BPM, and at 120 BPM changed to 140 BPM at beat 8. Goal: every message 0 to 2 ms late,
// median at most 0.5 ms.
//
// Usage: trigger_accuracy [starts=100] [beat-starts=10]
#include "controller/VendrolixPro.h"
#include "tools/testhost/OscReceiver.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;
using P = VendrolixPro;

// The clip runs this much longer than its last moment, so every message lands inside its clip.
constexpr double kClipTailSeconds = 0.15;
constexpr const char* kFreeMessage = "/bench i 1";

struct Row
{
    double fps = 60.0;
    double bpm = 0.0; // 0: delays in seconds
    double changedBpm = 0.0;
    double changeAtSeconds = 0.0;
    int starts = 100;

    bool Beats() const { return bpm > 0.0; }
    // Seconds from the clip's start to each message's moment, in the order of MessageKind.
    std::array<double, kMessageKinds> Moments() const
    {
        if (!Beats())
            return {0.2, 0.3, 0.5};
        // Transition only: 16 beats, with the tempo change at 8 beats.
        const double beforeChange = std::min(16.0, changeAtSeconds * bpm / 60.0);
        const double sixteen = changedBpm > 0.0
                                   ? changeAtSeconds + (16.0 - beforeChange) * 60.0 / changedBpm
                                   : 16.0 * 60.0 / bpm;
        return {sixteen, -1.0, -1.0};
    }
    double ClipSeconds() const
    {
        const auto moments = Moments();
        return *std::max_element(moments.begin(), moments.end()) + kClipTailSeconds;
    }
};

double Percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}

void Configure(VendrolixPro& plugin, const Row& row, std::uint16_t port)
{
    plugin.SetTextParameter(P::OscPort, std::to_string(port).c_str());
    if (row.Beats())
    {
        plugin.SetFloatParameter(P::DelaysInBeats, 1.0f);
        plugin.SetFloatParameter(P::Delay, 16000.0f);
        return;
    }
    plugin.SetFloatParameter(P::Delay, 200.0f);
    plugin.SetFloatParameter(P::NextClip, 1.0f);
    plugin.SetFloatParameter(P::DelayNextClip, 300.0f);
    plugin.SetTextParameter(P::OscMsg, kFreeMessage);
    plugin.SetFloatParameter(P::MessageDelay, 500.0f);
}

// A host playing the clip again and again until told to stop; `clipStart` holds the start of the
// latest clip.
void PlayClips(VendrolixPro& plugin, const Row& row, const std::atomic<bool>& stop,
               std::atomic<Clock::rep>& clipStart)
{
    const ffgl::FrameDataRecord noInputs{0, nullptr};
    const double periodSeconds = 1.0 / row.fps;
    const auto period =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(periodSeconds));
    const int framesPerClip = static_cast<int>(row.ClipSeconds() * row.fps) + 1;
    plugin.SetTime(row.ClipSeconds()); // the end of a clip before: the first call only primes
    auto next = Clock::now();
    for (int clip = 0; !stop; ++clip)
    {
        const double firstTime = clip % 2 == 0 ? 0.0 : periodSeconds / 2;
        for (int frame = 0; frame < framesPerClip && !stop; ++frame)
        {
            std::this_thread::sleep_until(next);
            const double time = firstTime + frame * periodSeconds;
            // The host reads its playhead at the frame's moment and may call a little after
            // it (a late wake of this thread): the clip began at that moment less its time.
            if (frame == 0)
                clipStart = (next - std::chrono::duration_cast<Clock::duration>(
                                       std::chrono::duration<double>(firstTime)))
                                .time_since_epoch()
                                .count();
            const bool changed = row.changedBpm > 0.0 && time >= row.changeAtSeconds;
            plugin.SetBeatInfo(
                static_cast<float>(row.Beats() ? (changed ? row.changedBpm : row.bpm) : 120.0),
                0.0f);
            plugin.SetTime(time);
            plugin.ProcessOpenGL(&noInputs);
            next += period;
        }
    }
}

MessageKind KindOf(const std::string& address)
{
    if (address.ends_with("/transition/duration"))
        return kTransition;
    return address.ends_with("/connectnextclip") ? kNextClip : kFreeText;
}

bool Measure(const Row& row)
{
    testhost::OscReceiver receiver;
    VendrolixPro plugin;
    plugin.BeginSending(); // as its GL set-up does
    Configure(plugin, row, receiver.Port());
    const auto moments = row.Moments();
    const auto expected =
        static_cast<std::size_t>(row.starts * std::count_if(moments.begin(), moments.end(),
                                                            [](double m) { return m >= 0; }));

    std::atomic<bool> stop{false};
    std::atomic<Clock::rep> clipStart{0};
    std::thread host([&] { PlayClips(plugin, row, stop, clipStart); });
    std::vector<double> lateness;
    while (lateness.size() < expected)
    {
        const auto message = receiver.Receive(std::chrono::seconds(10));
        if (!message)
            break;
        const double moment = moments[KindOf(message->address)];
        const Clock::time_point due =
            Clock::time_point{Clock::duration{clipStart.load()}} +
            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(moment));
        lateness.push_back(Ms(message->arrival - due).count());
    }
    stop = true;
    host.join();
    if (lateness.empty())
    {
        std::fprintf(stderr, "%g fps: no datagram arrived\n", row.fps);
        return false;
    }
    const auto early =
        std::count_if(lateness.begin(), lateness.end(), [](double l) { return l < 0.0; });
    const auto outside = std::count_if(lateness.begin(), lateness.end(),
                                       [](double l) { return l < 0.0 || l > 2.0; });
    char what[64];
    if (row.changedBpm > 0.0)
        std::snprintf(what, sizeof what, "16 beats, %.0f->%.0f BPM at %.0f s", row.bpm,
                      row.changedBpm, row.changeAtSeconds);
    else if (row.Beats())
        std::snprintf(what, sizeof what, "16 beats at %.0f BPM", row.bpm);
    else
        std::snprintf(what, sizeof what, "200/300/500 ms");
    std::printf("%5.0f fps  %-28s %4zu messages: late by (ms) min %.2f  median %.2f  p95 %.2f  "
                "p99 %.2f  max %.2f; early %td, outside 0 .. 2 ms %td\n",
                row.fps, what, lateness.size(), Percentile(lateness, 0.0),
                Percentile(lateness, 0.5), Percentile(lateness, 0.95), Percentile(lateness, 0.99),
                Percentile(lateness, 1.0), early, outside);
    std::fflush(stdout);
    return lateness.size() == expected;
}
} // namespace

int main(int argc, char** argv)
{
    const int starts = argc > 1 ? std::atoi(argv[1]) : 100;
    const int beatStarts = argc > 2 ? std::atoi(argv[2]) : 10;
    bool ok = true;
    for (const double fps : {24.0, 25.0, 30.0, 60.0, 144.0})
        ok = Measure(Row{fps, 0.0, 0.0, 0.0, starts}) && ok;
    ok = Measure(Row{60.0, 128.0, 0.0, 0.0, beatStarts}) && ok;
    ok = Measure(Row{60.0, 120.0, 140.0, 4.0, beatStarts}) && ok;
    return ok ? 0 : 1;
}
