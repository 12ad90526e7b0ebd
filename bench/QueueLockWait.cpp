// How long the render thread waits for the locks it shares with the send scheduler's thread (the
// send queue's, an instance's failure channel's), over a million frames beside the scheduler:
// each frame collects the instance's failure reports, schedules a message due 1 to 3 ms on (so
// that the scheduler waits for it raised, where the process may) and takes back the one before,
// unless every eighth, which goes. Only a lock taken after a wait is timed (platform/
// InheritingMutex.h), on the thread that waited. Optionally beside two busy threads.
//
// Usage: queue_lock_wait [frames=1000000] [busy=0] [raised=1]   (as root, for a raised scheduler)
#include "bench/LoopbackMessage.h"
#include "platform/InheritingMutex.h"
#include "platform/SteadyClock.h"
#include "platform/ThreadPriority.h"
#include "sending/SendChannel.h"
#include "sending/SendScheduler.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

namespace
{
thread_local bool renderThread = false;
std::atomic<long> waits{0};
std::atomic<std::int64_t> longestWaitNs{0};

void NoteWait(std::int64_t waitedNs)
{
    if (!renderThread)
        return;
    ++waits;
    std::int64_t longest = longestWaitNs.load();
    while (waitedNs > longest && !longestWaitNs.compare_exchange_weak(longest, waitedNs))
    {
    }
}

} // namespace

int main(int argc, char** argv)
{
    const long frames = argc > 1 ? std::atol(argv[1]) : 1000000;
    const bool busy = argc > 2 && std::atoi(argv[2]) != 0;
    const bool raised = argc <= 3 || std::atoi(argv[3]) != 0;
    platform::ThreadPriority::AllowRaised(raised);
    SendScheduler& scheduler = SendScheduler::Shared();
    scheduler.Start();
    SendQueue& queue = scheduler.Queue();
    std::atomic<bool> stop{false};
    std::vector<std::thread> load;
    for (int i = 0; busy && i < 2; ++i)
        load.emplace_back(
            [&stop]
            {
                while (!stop.load(std::memory_order_relaxed))
                {
                }
            });

    renderThread = true;
    platform::InheritingMutex::ObserveWaits(&NoteWait);
    const auto channel = std::make_shared<SendChannel>();
    SendChannel::Reports reports;
    std::size_t dropped = 0;
    SendChannel::Latest latest;
    const auto begin = std::chrono::steady_clock::now();
    for (long frame = 0; frame < frames; ++frame)
    {
        const std::int64_t nowUs = platform::SteadyClockUs();
        channel->TakeReports(reports, dropped, latest);
        if (frame % 8 != 0)
            queue.Cancel(*channel, {true, true, true}, nowUs);
        queue.Schedule(bench::LoopbackMessage(channel, 9, nowUs + 1000 + frame % 2000),
                       nowUs); // discard port
        if (frame % 1024 == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(3)); // what goes, goes
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    platform::InheritingMutex::ObserveWaits(nullptr);
    stop.store(true);
    for (std::thread& thread : load)
        thread.join();
    std::printf("%ld frames in %.1f s%s, scheduler %s: locks taken after a wait %ld, the longest "
                "wait %.1f us\n",
                frames, seconds, busy ? " beside two busy threads" : "",
                raised ? "raised" : "not raised", waits.load(),
                static_cast<double>(longestWaitNs.load()) / 1000.0);
    return 0;
}
