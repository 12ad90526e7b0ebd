// The render thread's cost per frame: a frame with nothing due, and a frame that schedules a
// message.
#include "bench/AllocationCounter.h"
#include "controller/VendrolixPro.h"
#include "platform/DeadlineWait.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <limits>
#include <optional>
#include <thread>

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

// Each iteration restarts the clip (untimed) and renders the frame that schedules the due
// message: the render thread's whole share of a send, copying it into the queue and waking the
// thread that waits on it. The queue is one of the benchmark's own, emptied between iterations,
// so nothing is sent; a thread of its own sleeps on it as the scheduler would.
void BM_FrameThatSchedulesAMessage(benchmark::State& state)
{
    static SendQueue queue;
    platform::DeadlineWait wait;
    std::atomic<bool> done{false};
    std::thread sleeper(
        [&]
        {
            while (!done.load())
                wait.WaitUntil(std::nullopt);
        });
    queue.SetWaiter(&wait);
    SendQueue* const previous = VendrolixPro::InstallSendQueue(&queue);
    VendrolixPro plugin;
    plugin.SetFloatParameter(P::Delay, 0.0f);
    plugin.SetTime(5.0);
    std::uint64_t allocations = 0;
    ScheduledMessage taken;
    for (auto _ : state)
    {
        state.PauseTiming();
        plugin.SetTime(0.0);
        const std::uint64_t before = bench::AllocationCount();
        state.ResumeTiming();
        plugin.ProcessOpenGL(&noInputs);
        state.PauseTiming();
        allocations += bench::AllocationCount() - before;
        while (queue.TakeDue(std::numeric_limits<std::int64_t>::max(), taken))
        {
        }
        plugin.SetTime(1.0);
        state.ResumeTiming();
    }
    VendrolixPro::InstallSendQueue(previous);
    queue.SetWaiter(nullptr);
    done.store(true);
    wait.Wake();
    sleeper.join();
    state.counters["allocs/frame"] =
        benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
    if (allocations != 0)
        state.SkipWithError("a frame that schedules allocated");
}
BENCHMARK(BM_FrameThatSchedulesAMessage)->Iterations(20000);

// What pausing and resuming the timing twice an iteration adds to the figure above, for
// subtracting.
void BM_PausingAlone(benchmark::State& state)
{
    for (auto _ : state)
    {
        state.PauseTiming();
        state.ResumeTiming();
        state.PauseTiming();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PausingAlone)->Iterations(20000);

} // namespace

BENCHMARK_MAIN();
