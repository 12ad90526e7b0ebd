// What the send scheduler costs and how close to its deadline a message leaves, with the real
// clock and the datagrams caught on 127.0.0.1 (their kernel receive times):
// - one message scheduled 100 ms ahead: the scheduler's CPU time while it waits and sends;
// - 64 messages due at one moment, from 64 instances: how late each arrives, and the
//   scheduler's CPU time;
// - the threads of the process with 64 instances' messages all waiting;
// - for comparison, how late a bare absolute sleep wakes on the same machine.
//
// Usage: scheduler_latency [runs=20]
#include "bench/LoopbackMessage.h"
#include "platform/SteadyClock.h"
#include "sending/SendChannel.h"
#include "sending/SendScheduler.h"
#include "tools/testhost/OscReceiver.h"

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace
{
using namespace std::chrono_literals;

// The CPU time of every thread but the calling one (the scheduler's and the lookups'), from the
// kernel's per-thread accounting: the measuring thread's own receiving is left out.
double OtherThreadsCpuMs()
{
    const std::string self = std::to_string(gettid());
    double ms = 0.0;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error))
    {
        if (task.path().filename() == self)
            continue;
        std::ifstream stat(task.path() / "schedstat");
        double ns = 0.0;
        if (stat >> ns)
            ms += ns / 1e6;
    }
    return ms;
}

double ThisThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

int Threads()
{
    std::error_code error;
    return static_cast<int>(
        std::distance(std::filesystem::directory_iterator("/proc/self/task", error),
                      std::filesystem::directory_iterator{}));
}

double LateMs(const testhost::ReceivedOsc& arrival, std::int64_t deadlineUs)
{
    const auto arrivedUs =
        std::chrono::duration_cast<std::chrono::microseconds>(arrival.arrival.time_since_epoch())
            .count();
    return static_cast<double>(arrivedUs - deadlineUs) / 1000.0;
}

double Percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}
} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 20;
    SendScheduler& scheduler = SendScheduler::Shared();
    scheduler.Start(); // as a host's first instance does
    testhost::OscReceiver receiver;
    const auto channel = std::make_shared<SendChannel>();

    std::vector<double> waitCpu;
    std::vector<double> late;
    for (int run = 0; run < runs; ++run)
    {
        const std::int64_t deadline = platform::SteadyClockUs() + 100000;
        const double cpu = OtherThreadsCpuMs();
        scheduler.Queue().Schedule(bench::LoopbackMessage(channel, receiver.Port(), deadline),
                                   platform::SteadyClockUs());
        const auto arrival = receiver.Receive(1000ms);
        waitCpu.push_back(OtherThreadsCpuMs() - cpu);
        if (arrival)
            late.push_back(LateMs(*arrival, deadline));
    }
    // The machine's own floor, for comparison: a bare absolute sleep of 100 ms, woken late.
    std::vector<double> bare;
    std::vector<double> bareCpu;
    for (int run = 0; run < runs; ++run)
    {
        const double cpu = ThisThreadCpuMs();
        const std::int64_t deadline = platform::SteadyClockUs() + 100000;
        const timespec until{static_cast<time_t>(deadline / 1000000),
                             static_cast<long>(deadline % 1000000) * 1000};
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr);
        bare.push_back(static_cast<double>(platform::SteadyClockUs() - deadline) / 1000.0);
        bareCpu.push_back(ThisThreadCpuMs() - cpu);
    }
    std::printf("a bare absolute sleep of 100 ms, %d runs, woken late by: median %.3f ms, p95 %.3f "
                "ms, max %.3f ms; its CPU median %.3f ms\n",
                runs, Percentile(bare, 0.5), Percentile(bare, 0.95), Percentile(bare, 1.0),
                Percentile(bareCpu, 0.5));
    std::printf("one message 100 ms ahead, %d runs: the scheduler's CPU median %.3f ms, max %.3f "
                "ms; late median "
                "%.3f ms, max %.3f ms\n",
                runs, Percentile(waitCpu, 0.5), Percentile(waitCpu, 1.0), Percentile(late, 0.5),
                Percentile(late, 1.0));

    std::vector<std::shared_ptr<SendChannel>> instances;
    for (int i = 0; i < 64; ++i)
        instances.push_back(std::make_shared<SendChannel>());
    std::vector<double> burstLate;
    std::vector<double> burstCpu;
    int threadsWaiting = 0;
    for (int run = 0; run < runs; ++run)
    {
        const std::int64_t deadline = platform::SteadyClockUs() + 200000;
        const double cpu = OtherThreadsCpuMs();
        for (const auto& instance : instances)
            scheduler.Queue().Schedule(bench::LoopbackMessage(instance, receiver.Port(), deadline),
                                       platform::SteadyClockUs());
        threadsWaiting = std::max(threadsWaiting, Threads());
        for (int i = 0; i < 64; ++i)
            if (const auto arrival = receiver.Receive(1000ms))
                burstLate.push_back(LateMs(*arrival, deadline));
        burstCpu.push_back(OtherThreadsCpuMs() - cpu);
    }
    std::printf("64 messages due at one moment, %d runs: %zu arrived; late median %.3f ms, p99 "
                "%.3f ms, max %.3f ms, none early: %s; the scheduler's CPU per 64 median %.3f ms, "
                "max %.3f ms\n",
                runs, burstLate.size(), Percentile(burstLate, 0.5), Percentile(burstLate, 0.99),
                Percentile(burstLate, 1.0),
                *std::min_element(burstLate.begin(), burstLate.end()) >= 0.0 ? "yes" : "NO",
                Percentile(burstCpu, 0.5), Percentile(burstCpu, 1.0));
    std::printf("threads in the process with 64 instances' messages waiting: %d (the main "
                "thread and the scheduler: 2)\n",
                threadsWaiting);
    return 0;
}
