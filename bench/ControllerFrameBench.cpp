// The render thread's cost per frame: a frame with nothing due, and a frame that dispatches
// while every name lookup takes two seconds.
#include "bench/AllocationCounter.h"
#include "controller/VendrolixPro.h"
#include "platform/UdpSocketApi.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace
{
using P = VendrolixPro;

const ffgl::FrameDataRecord noInputs{0, nullptr};

// Every message enabled, none due for 15 minutes (or 900 beats): the common frame of a running
// show.
void ConfigureNothingDue(VendrolixPro& plugin, bool beats)
{
    plugin.SetFloatParameter(P::DelaysInBeats, beats ? 1.0f : 0.0f);
    plugin.SetFloatParameter(P::NextClip, 1.0f);
    plugin.SetFloatParameter(P::Delay, 900000.0f);
    plugin.SetFloatParameter(P::DelayNextClip, 900000.0f);
    plugin.SetFloatParameter(P::MessageDelay, 900000.0f);
    plugin.SetTextParameter(P::OscMsg, "/composition/tempocontroller/tempo f 120");
    plugin.SetTime(5.0);
    plugin.SetTime(0.0);
}

void BM_FrameWithNothingDue(benchmark::State& state)
{
    VendrolixPro plugin;
    ConfigureNothingDue(plugin, state.range(0) != 0);
    plugin.ProcessOpenGL(&noInputs);

    const std::uint64_t before = bench::AllocationCount();
    for (auto _ : state)
        plugin.ProcessOpenGL(&noInputs);
    const auto allocations = bench::AllocationCount() - before;
    state.counters["allocs/frame"] =
        benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
    if (allocations != 0)
        state.SkipWithError("a frame with nothing due allocated");
}
BENCHMARK(BM_FrameWithNothingDue)->ArgName("beats")->Arg(0)->Arg(1);

platform::LookupStatus SlowLookup(const char* host, const char* service,
                                  std::vector<platform::ResolvedAddress>& out)
{
    std::this_thread::sleep_for(std::chrono::seconds(2));
    return platform::SystemSocketCalls().resolve(host, service, out);
}

// Each iteration restarts the clip and renders the frame that hands the due message to a new
// sender thread, whose lookup then takes two seconds. The frame must not wait for it. The
// iterations take turns over 15 instances, so that all 60 threads stay within the bounds on
// live senders (4 an instance, 64 a process) and every frame really starts one.
void BM_DispatchingFrameWithTwoSecondLookup(benchmark::State& state)
{
    static platform::SocketCalls slow = platform::SystemSocketCalls();
    slow.resolve = &SlowLookup;
    const platform::SocketCalls* previous = platform::InstallSocketCalls(&slow);

    std::vector<std::unique_ptr<VendrolixPro>> instances;
    for (int i = 0; i < 15; ++i)
    {
        auto plugin = std::make_unique<VendrolixPro>();
        plugin->SetFloatParameter(P::Delay, 0.0f);
        plugin->SetTextParameter(P::OscPort, "9"); // discard; nothing reaches it within the run
        plugin->SetTime(5.0);
        instances.push_back(std::move(plugin));
    }
    std::size_t turn = 0;
    for (auto _ : state)
    {
        VendrolixPro& plugin = *instances[turn++ % instances.size()];
        plugin.SetTime(0.0);
        plugin.ProcessOpenGL(&noInputs);
        state.PauseTiming();
        plugin.SetTime(1.0);
        state.ResumeTiming();
    }
    platform::InstallSocketCalls(previous);
}
BENCHMARK(BM_DispatchingFrameWithTwoSecondLookup)->Iterations(60)->UseRealTime();

// The floor for the frame above: starting and detaching one thread that does nothing.
void BM_ThreadStartAlone(benchmark::State& state)
{
    for (auto _ : state)
        std::thread([] {}).detach();
}
BENCHMARK(BM_ThreadStartAlone)->Iterations(200)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
