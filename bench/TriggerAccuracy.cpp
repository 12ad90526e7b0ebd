// How late a message arrives after its delay, with the real clock and frames at 60 per second:
// a host restarts its clip, and the datagram is caught on 127.0.0.1. Lateness is measured from
// the start the plug-in detected (the last host time at or below 0.05 s).
//
// Usage: trigger_accuracy [runs=40] [delay-ms=300]  (the delay is stored to the nearest 100 ms)
#include "controller/VendrolixPro.h"
#include "tools/testhost/OscReceiver.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;
using P = VendrolixPro;

constexpr auto kFramePeriod = std::chrono::microseconds(16667);

double Percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}
} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 40;
    testhost::OscReceiver receiver;
    VendrolixPro plugin;
    plugin.SetFloatParameter(P::Delay, argc > 2 ? std::strtof(argv[2], nullptr) : 300.0f);
    const int delayMs = static_cast<int>(plugin.GetFloatParameter(P::Delay));
    plugin.SetTextParameter(P::OscPort, std::to_string(receiver.Port()).c_str());

    std::atomic<bool> stop{false};
    std::atomic<Clock::rep> clipStart{0};
    // The host: a clip of delay + 300 ms that restarts, one SetTime and one frame per period.
    std::thread host(
        [&]
        {
            const ffgl::FrameDataRecord noInputs{0, nullptr};
            auto next = Clock::now();
            auto begin = next;
            plugin.SetTime(5.0);
            while (!stop)
            {
                const auto now = Clock::now();
                double clipSeconds = std::chrono::duration<double>(now - begin).count();
                if (clipSeconds * 1000.0 > delayMs + 300.0)
                {
                    begin = now;
                    clipSeconds = 0.0;
                }
                plugin.SetTime(clipSeconds);
                // Every time at or below 0.05 s restarts the sequence: the last one counts.
                if (std::string_view(plugin.GetParameterDisplay(P::Status)).starts_with("started"))
                    clipStart = now.time_since_epoch().count();
                plugin.ProcessOpenGL(&noInputs);
                next += kFramePeriod;
                std::this_thread::sleep_until(next);
            }
        });

    std::vector<double> lateness;
    while (static_cast<int>(lateness.size()) < runs)
    {
        const auto message = receiver.Receive(std::chrono::seconds(5));
        if (!message)
            break;
        const Clock::time_point start{Clock::duration{clipStart.load()}};
        if (start.time_since_epoch().count() == 0)
            continue; // the first clip was already running when the host started
        lateness.push_back(Ms(message->arrival - start).count() - delayMs);
    }
    stop = true;
    host.join();
    if (lateness.empty())
    {
        std::fprintf(stderr, "no datagram arrived\n");
        return 1;
    }
    std::printf("delay %d ms, %zu runs, frames every %.1f ms\n", delayMs, lateness.size(),
                Ms(kFramePeriod).count());
    std::printf("arrival after start minus delay (ms): min %.2f  median %.2f  p95 %.2f  max %.2f\n",
                Percentile(lateness, 0.0), Percentile(lateness, 0.5), Percentile(lateness, 0.95),
                Percentile(lateness, 1.0));
    return 0;
}
