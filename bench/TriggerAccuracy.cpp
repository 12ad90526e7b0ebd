// When a message arrives after its delay, as a performer feels it: the real clock, a host that
// calls SetTime then ProcessOpenGL once per frame with a clip that restarts, and the datagram
// caught on 127.0.0.1. Lateness is measured from the clip's first frame (the SetTime call with
// host time 0), at 30, 60 and 144 frames per second. Goal: 0 to one frame period + 3 ms.
//
// Usage: trigger_accuracy [starts=100] [delay-ms=200]  (the delay is stored to the nearest 100 ms)
#include "controller/VendrolixPro.h"
#include "tools/testhost/OscReceiver.h"

#include <algorithm>
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

// The clip runs this much longer than the delay, so every message lands inside its own clip.
constexpr double kClipTailMs = 150.0;

double Percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}

// A host playing the clip again and again at `fps` until told to stop; `clipStart` holds the
// moment of the latest clip's first frame.
void PlayClips(VendrolixPro& plugin, double fps, int delayMs, const std::atomic<bool>& stop,
               std::atomic<Clock::rep>& clipStart)
{
    const ffgl::FrameDataRecord noInputs{0, nullptr};
    const auto period =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / fps));
    const int framesPerClip = static_cast<int>((delayMs + kClipTailMs) * fps / 1000.0) + 1;
    plugin.SetTime(5.0); // the end of a clip before: the first call only primes
    auto next = Clock::now();
    while (!stop)
    {
        for (int frame = 0; frame < framesPerClip && !stop; ++frame)
        {
            std::this_thread::sleep_until(next);
            const Clock::time_point now = Clock::now();
            if (frame == 0)
                clipStart = now.time_since_epoch().count();
            plugin.SetTime(frame / fps);
            plugin.ProcessOpenGL(&noInputs);
            next += period;
        }
    }
}

bool Measure(double fps, int starts, float delaySetting)
{
    testhost::OscReceiver receiver;
    VendrolixPro plugin;
    plugin.SetFloatParameter(P::Delay, delaySetting);
    const int delayMs = static_cast<int>(plugin.GetFloatParameter(P::Delay));
    plugin.SetTextParameter(P::OscPort, std::to_string(receiver.Port()).c_str());

    std::atomic<bool> stop{false};
    std::atomic<Clock::rep> clipStart{0};
    std::thread host([&] { PlayClips(plugin, fps, delayMs, stop, clipStart); });
    std::vector<double> lateness;
    while (static_cast<int>(lateness.size()) < starts)
    {
        const auto message = receiver.Receive(std::chrono::seconds(5));
        if (!message)
            break;
        const Clock::time_point due = Clock::time_point{Clock::duration{clipStart.load()}} +
                                      std::chrono::milliseconds(delayMs);
        lateness.push_back(Ms(message->arrival - due).count());
    }
    stop = true;
    host.join();
    if (lateness.empty())
    {
        std::fprintf(stderr, "%g fps: no datagram arrived\n", fps);
        return false;
    }
    const double periodMs = 1000.0 / fps;
    const auto outside =
        std::count_if(lateness.begin(), lateness.end(),
                      [&](double late) { return late < 0.0 || late > periodMs + 3.0; });
    std::printf("%5.0f fps (period %5.2f ms), delay %d ms, %zu starts: arrival after the clip's "
                "first frame minus the delay (ms): min %.2f  median %.2f  p95 %.2f  max %.2f; "
                "outside 0 .. period + 3 ms: %td\n",
                fps, periodMs, delayMs, lateness.size(), Percentile(lateness, 0.0),
                Percentile(lateness, 0.5), Percentile(lateness, 0.95), Percentile(lateness, 1.0),
                outside);
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    const int starts = argc > 1 ? std::atoi(argv[1]) : 100;
    const float delay = argc > 2 ? std::strtof(argv[2], nullptr) : 200.0f;
    bool ok = true;
    for (const double fps : {30.0, 60.0, 144.0})
        ok = Measure(fps, starts, delay) && ok;
    return ok ? 0 : 1;
}
