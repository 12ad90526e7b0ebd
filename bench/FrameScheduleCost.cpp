// What the frame that schedules a message costs the host's render thread in wall time, beside
// the send scheduler's thread: raised (SCHED_FIFO where the process may) and not, on an idle
// machine and beside two busy threads, against a bare notify of a sleeping thread, all in one
// run. Two frames: one whose message is due at once (a moment already passed, as a Test press
// schedules), and one whose message is due 6 ms on (a cue within the frame's look-ahead); and the
// first again while the scheduler waits, raised, for another message due 3 ms on. Each wakes the
// scheduler for a new earliest deadline. The messages go to the discard port of 127.0.0.1.
//
// Usage: frame_schedule_cost [frames=10000]   (as root, for the raised rows)
#include "bench/LoopbackMessage.h"
#include "controller/VendrolixPro.h"
#include "platform/SteadyClock.h"
#include "platform/ThreadPriority.h"
#include "sending/SendChannel.h"
#include "sending/SendScheduler.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace
{
using namespace std::chrono_literals;
using P = VendrolixPro;
using Clock = std::chrono::steady_clock;

double Percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

// `frames` calls of `timed`, one every `period`, each after `untimed`: the wall time of each.
template <typename Untimed, typename Timed>
std::vector<double> Measure(int frames, Clock::duration period, Untimed untimed, Timed timed)
{
    std::vector<double> wallUs;
    Clock::time_point next = Clock::now();
    for (int frame = 0; frame < frames; ++frame)
    {
        next += period;
        std::this_thread::sleep_until(next);
        untimed();
        const Clock::time_point begin = Clock::now();
        timed();
        const Clock::time_point end = Clock::now();
        wallUs.push_back(std::chrono::duration<double, std::micro>(end - begin).count());
    }
    return wallUs;
}

// A thread asleep on a condition variable, woken by Notify and asleep again at once.
class Sleeper
{
public:
    Sleeper()
        : thread(
              [this]
              {
                  std::unique_lock lock(mutex);
                  while (!done)
                  {
                      changed.wait(lock, [this] { return woken || done; });
                      woken = false;
                  }
              })
    {
    }
    ~Sleeper()
    {
        {
            const std::lock_guard lock(mutex);
            done = true;
        }
        changed.notify_one();
        thread.join();
    }
    void Notify()
    {
        {
            const std::lock_guard lock(mutex);
            woken = true;
        }
        changed.notify_one();
    }

private:
    std::mutex mutex;
    std::condition_variable changed;
    bool woken = false;
    bool done = false;
    std::thread thread;
};

// Two threads that never sleep, at the ordinary priority, for as long as they live.
class BusyThreads
{
public:
    BusyThreads()
    {
        for (int i = 0; i < 2; ++i)
            threads.emplace_back(
                [this]
                {
                    while (!stop.load(std::memory_order_relaxed))
                    {
                    }
                });
    }
    ~BusyThreads()
    {
        stop.store(true);
        for (std::thread& thread : threads)
            thread.join();
    }

private:
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
};

// Whether this process may run a thread at SCHED_FIFO.
bool MayRaise()
{
    bool granted = false;
    std::thread(
        [&granted]
        {
            const sched_param parameter{sched_get_priority_min(SCHED_FIFO)};
            granted = pthread_setschedparam(pthread_self(), SCHED_FIFO, &parameter) == 0;
        })
        .join();
    return granted;
}

// An instance whose every frame, after the clip restarts, schedules one message: due at once,
// or in 0.1 beat at 999 BPM (6.0 ms).
class SchedulingFrames
{
public:
    explicit SchedulingFrames(bool ahead)
    {
        plugin.SetOwner(&plugin);
        plugin.BeginSending();
        plugin.SetTextParameter(P::OscPort, "9"); // discard
        plugin.SetFloatParameter(P::DelaysInBeats, ahead ? 1.0f : 0.0f);
        plugin.SetFloatParameter(P::Delay, ahead ? 100.0f : 0.0f);
        plugin.SetBeatInfo(999.0f, 0.0f);
        plugin.SetTime(5.0);
    }
    void Restart()
    {
        plugin.SetTime(0.5);
        plugin.SetTime(0.0);
    }
    void Frame() { plugin.ProcessOpenGL(&noInputs); }

private:
    VendrolixPro plugin;
    const ffgl::FrameDataRecord noInputs{0, nullptr};
};

void Print(const char* what, const std::vector<double>& wallUs)
{
    std::printf("  %-64s median %7.1f us, p99 %7.1f us\n", what, Percentile(wallUs, 0.5),
                Percentile(wallUs, 0.99));
}

// Another instance's message due 3 ms on: the scheduler waits for it raised.
void ScheduleAnother(const std::shared_ptr<SendChannel>& other)
{
    const std::int64_t nowUs = platform::SteadyClockUs();
    SendScheduler::Shared().Queue().Schedule(bench::LoopbackMessage(other, 9, nowUs + 3000),
                                             nowUs); // to the discard port
    std::this_thread::sleep_for(500us);              // its wait begins
}

enum class Variant
{
    DueAtOnce,
    Ahead,
    DueAtOnceBesideAWait,
};

void Run(int frames, bool busy)
{
    std::printf("%s, %d frames each, wall time:\n", busy ? "beside two busy threads" : "idle",
                frames);
    const auto load = busy ? std::make_unique<BusyThreads>() : nullptr;
    {
        Sleeper sleeper;
        Print("a bare notify of a sleeping thread",
              Measure(
                  frames, 5ms, [] {}, [&sleeper] { sleeper.Notify(); }));
    }
    const auto other = std::make_shared<SendChannel>();
    for (const Variant variant :
         {Variant::DueAtOnce, Variant::Ahead, Variant::DueAtOnceBesideAWait})
        for (const bool raised : {false, true})
        {
            platform::ThreadPriority::AllowRaised(raised);
            SchedulingFrames scheduling(variant == Variant::Ahead);
            const bool beside = variant == Variant::DueAtOnceBesideAWait;
            const auto restart = [&]
            {
                scheduling.Restart();
                if (beside)
                    ScheduleAnother(other);
            };
            const std::vector<double> wallUs =
                Measure(frames,
                        variant == Variant::Ahead ? 8ms
                        : beside                  ? 5ms
                                                  : 3ms,
                        restart, [&scheduling] { scheduling.Frame(); });
            const char* what = variant == Variant::DueAtOnce ? "due at once"
                               : variant == Variant::Ahead   ? "6 ms ahead"
                                                             : "due at once, another due 3 ms on";
            char line[96];
            std::snprintf(line, sizeof line, "frame scheduling %s, scheduler %s", what,
                          raised ? "raised" : "not raised");
            Print(line, wallUs);
            std::this_thread::sleep_for(20ms); // the last message goes
        }
}
} // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::atoi(argv[1]) : 10000;
    std::printf("the scheduler may run SCHED_FIFO: %s\n", MayRaise() ? "yes" : "no (not root?)");
    SendScheduler::Shared().Start();
    Run(frames, false);
    Run(frames, true);
    platform::ThreadPriority::AllowRaised(true);
    return 0;
}
