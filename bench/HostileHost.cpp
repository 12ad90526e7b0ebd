// A hostile host and network against the plug-in's send path, with the figures
// docs/reliability.md quotes: threads, descriptors, presses, datagrams. The plug-in runs in this
// process as a host runs it; the name lookups go through the resolver seam, so a dead or slow
// name costs no real network traffic (a dead one holds a socket open while it "waits", as a
// real lookup does).
//
// Usage: hostile_host storm [presses=10000]   "Test" pressed as fast as possible, dead name
//        hostile_host memory [presses=1000]   the same, 4 MB "OSC Msg", address space limited
//        hostile_host descriptors [seconds=10]  60 presses a second, dead name, 1024 fds
//        hostile_host slow-name [runs=3]      a cue 3 s after setting a name that takes 2 s
//        hostile_host load64                  64 instances dispatching in the same frame
#include "controller/VendrolixPro.h"
#include "ffgl/HostLog.h"
#include "platform/UdpSocketApi.h"
#include "sending/NameCache.h"
#include "sending/SendScheduler.h"
#include "tools/testhost/FailureLines.h"
#include "tools/testhost/OscReceiver.h"

#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using P = VendrolixPro;

constexpr auto kFramePeriod = std::chrono::microseconds(16667); // 60 frames a second

std::mutex logMutex;
std::vector<std::string> logLines;
std::atomic<int> lookups{0};

void CollectLog(const char* text)
{
    const std::lock_guard lock(logMutex);
    logLines.emplace_back(text);
}

// A name that does not exist: the lookup holds a socket for 2 s, as a DNS query does, then
// fails. "studio-pc" answers after 2 s with the loopback. Numeric addresses are the system's.
platform::LookupStatus HostileResolve(const char* host, const char* service,
                                      std::vector<platform::ResolvedAddress>& out)
{
    if (platform::IsNumericHost(host))
        return platform::SystemSocketCalls().resolve(host, service, out);
    ++lookups;
    const int query = ::socket(AF_INET, SOCK_DGRAM, 0);
    std::this_thread::sleep_for(2s);
    if (query >= 0)
        ::close(query);
    if (std::string(host) != "studio-pc")
        return platform::LookupStatus::NotFound;
    return platform::SystemSocketCalls().resolve("127.0.0.1", service, out);
}

int CountEntries(const char* folder)
{
    std::error_code error;
    return static_cast<int>(std::distance(std::filesystem::directory_iterator(folder, error),
                                          std::filesystem::directory_iterator{}));
}

int Threads()
{
    return CountEntries("/proc/self/task");
}

int Descriptors()
{
    return CountEntries("/proc/self/fd");
}

struct Peak
{
    int lookups = 0; // lookup threads
    int threads = 0;
    int descriptors = 0;
    void Sample()
    {
        lookups = std::max(lookups, static_cast<int>(osc::SharedNameCache().BackgroundLookups()));
        threads = std::max(threads, Threads());
        descriptors = std::max(descriptors, Descriptors());
    }
};

std::unique_ptr<VendrolixPro> MakePlugin(const std::string& host, std::uint16_t port)
{
    auto plugin = std::make_unique<VendrolixPro>();
    plugin->SetOwner(plugin.get());
    plugin->BeginSending(); // as its GL set-up does
    plugin->SetTextParameter(P::OscHost, host.c_str());
    plugin->SetTextParameter(P::OscPort, std::to_string(port).c_str());
    return plugin;
}

// Waits for every sender and lookup to end, then lets the counted repeats reach the log.
void Drain(VendrolixPro& plugin, Peak& peak)
{
    while (!SendScheduler::Shared().Idle() || osc::SharedNameCache().BackgroundLookups() > 0)
    {
        peak.Sample();
        std::this_thread::sleep_for(5ms);
    }
    plugin.CollectSendFailures();
    std::this_thread::sleep_for(1100ms);
    plugin.CollectSendFailures();
}

std::size_t Received(testhost::OscReceiver& receiver)
{
    std::size_t count = 0;
    while (receiver.Receive(300ms))
        ++count;
    return count;
}

void PrintPresses(const char* what, int presses, const Peak& peak, int baseThreads,
                  int baseDescriptors, std::size_t datagrams, Clock::duration took)
{
    const std::lock_guard lock(logMutex);
    const long failed = testhost::CountNotSent(logLines);
    std::printf("%s: %d presses in %.1f s; lookup threads at most %d (bound %d); "
                "threads in the process at most %d (%d before); descriptors at most %d (%d "
                "before); lookups %d; datagrams %zu; failures logged %ld; every press accounted "
                "for: %s\n",
                what, presses, std::chrono::duration<double>(took).count(), peak.lookups,
                static_cast<int>(osc::NameCache::Limits{}.backgroundLookups), peak.threads,
                baseThreads, peak.descriptors, baseDescriptors, lookups.load(), datagrams, failed,
                static_cast<long>(datagrams) + failed == presses ? "yes" : "NO");
    for (const auto& [reason, times] : testhost::NotSentByReason(logLines))
        std::printf("%s:   %ld not sent: %s\n", what, times, reason.c_str());
}

int Storm(int presses, bool limitMemory)
{
    testhost::OscReceiver receiver;
    auto plugin = MakePlugin(limitMemory ? "127.0.0.1" : "dead.example", receiver.Port());
    if (limitMemory)
    {
        plugin->SetFloatParameter(P::LayerTrans, 0.0f);
        const std::string text = "/x s " + std::string(4 << 20, 'x');
        plugin->SetTextParameter(P::OscMsg, text.c_str());
        // Room for the program as it is and a few copies of the text, not for many.
        std::ifstream status("/proc/self/status");
        std::string key;
        long kilobytes = 0;
        while (status >> key && key != "VmSize:")
            status.ignore(1 << 12, '\n');
        status >> kilobytes;
        const rlimit limit{static_cast<rlim_t>(kilobytes + 40 * 1024) * 1024,
                           static_cast<rlim_t>(kilobytes + 40 * 1024) * 1024};
        if (setrlimit(RLIMIT_AS, &limit) != 0)
            std::perror("setrlimit");
    }
    const int baseThreads = Threads();
    const int baseDescriptors = Descriptors();
    Peak peak;
    const Clock::time_point begin = Clock::now();
    for (int press = 0; press < presses; ++press)
    {
        plugin->SetFloatParameter(P::Test, 1.0f);
        peak.Sample();
    }
    Drain(*plugin, peak);
    PrintPresses(limitMemory ? "memory" : "storm", presses, peak, baseThreads, baseDescriptors,
                 Received(receiver), Clock::now() - begin);
    return 0;
}

int DescriptorLimit(int seconds)
{
    const rlimit limit{1024, 1024};
    setrlimit(RLIMIT_NOFILE, &limit);
    testhost::OscReceiver receiver;
    auto plugin = MakePlugin("dead.example", receiver.Port());
    const int baseThreads = Threads();
    const int baseDescriptors = Descriptors();
    Peak peak;
    int hostOpens = 0;
    int hostOpenFailures = 0;
    const Clock::time_point begin = Clock::now();
    const int presses = seconds * 60;
    for (int press = 0; press < presses; ++press)
    {
        plugin->SetFloatParameter(P::Test, 1.0f);
        // The host's own work meanwhile: it opens files.
        const int fd = ::open("/dev/null", O_RDONLY);
        ++hostOpens;
        if (fd < 0)
            ++hostOpenFailures;
        else
            ::close(fd);
        peak.Sample();
        std::this_thread::sleep_until(begin + press * kFramePeriod);
    }
    Drain(*plugin, peak);
    PrintPresses("descriptors", presses, peak, baseThreads, baseDescriptors, Received(receiver),
                 Clock::now() - begin);
    std::printf("descriptors: the host's own open() failed %d of %d times\n", hostOpenFailures,
                hostOpens);
    return 0;
}

// How late the cue arrives after its delay when "OSC Host" was set when the clip started.
double CueLateness(const std::string& host)
{
    testhost::OscReceiver receiver;
    auto plugin = MakePlugin("127.0.0.1", receiver.Port());
    plugin->SetFloatParameter(P::Delay, 3000.0f);
    plugin->SetTime(5.0);
    const ffgl::FrameDataRecord noInputs{0, nullptr};
    const Clock::time_point start = Clock::now();
    plugin->SetTextParameter(P::OscHost, host.c_str());
    plugin->SetTime(0.0);
    for (int frame = 1; frame < 60 * 5; ++frame)
    {
        std::this_thread::sleep_until(start + frame * kFramePeriod);
        plugin->SetTime(frame / 60.0);
        plugin->ProcessOpenGL(&noInputs);
        if (const auto message = receiver.Receive(0ms))
            return std::chrono::duration<double, std::milli>(message->arrival - start).count() -
                   3000.0;
    }
    return -1.0;
}

int SlowName(int runs)
{
    for (int run = 0; run < runs; ++run)
    {
        osc::SharedNameCache().Forget();
        const double named = CueLateness("studio-pc");
        const double numeric = CueLateness("127.0.0.1");
        std::printf("slow-name: a cue 3 s after the clip start arrives %.2f ms after its delay "
                    "to \"studio-pc\" (lookup 2 s), %.2f ms to 127.0.0.1\n",
                    named, numeric);
    }
    return 0;
}

int Load64()
{
    testhost::OscReceiver receiver;
    std::vector<std::unique_ptr<VendrolixPro>> instances;
    for (int i = 0; i < 64; ++i)
    {
        instances.push_back(MakePlugin("127.0.0.1", receiver.Port()));
        instances.back()->SetFloatParameter(P::Delay, 0.0f);
        instances.back()->SetTime(5.0);
    }
    const ffgl::FrameDataRecord noInputs{0, nullptr};
    for (auto& instance : instances)
    {
        instance->SetTime(0.0);
        instance->ProcessOpenGL(&noInputs);
    }
    Peak peak;
    peak.Sample();
    std::printf("load64: 64 instances scheduling in one frame: %zu of 64 datagrams arrived; "
                "threads in the process %d\n",
                Received(receiver), Threads());
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    static platform::SocketCalls calls = platform::SystemSocketCalls();
    calls.resolve = &HostileResolve;
    platform::InstallSocketCalls(&calls);
    ffgl::SetHostLogCallback(&CollectLog);

    const std::string mode = argc > 1 ? argv[1] : "";
    const int count = argc > 2 ? std::atoi(argv[2]) : 0;
    if (mode == "storm")
        return Storm(count > 0 ? count : 10000, false);
    if (mode == "memory")
        return Storm(count > 0 ? count : 1000, true);
    if (mode == "descriptors")
        return DescriptorLimit(count > 0 ? count : 10);
    if (mode == "slow-name")
        return SlowName(count > 0 ? count : 3);
    if (mode == "load64")
        return Load64();
    std::fprintf(stderr, "usage: hostile_host storm|memory|descriptors|slow-name|load64 [N]\n");
    return 2;
}
