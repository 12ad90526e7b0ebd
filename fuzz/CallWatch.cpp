#include "fuzz/CallWatch.h"

#include "fuzz/FuzzCheck.h"
#include "fuzz/NetworkStandIn.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace hostfuzz::CallWatch
{
namespace
{
std::thread::id hostThread;
std::atomic<bool> inCall{false};
std::atomic<const char*> callName{nullptr};
std::atomic<std::int64_t> callStartMs{0};

std::int64_t RealMs()
{
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
}

[[noreturn]] void Watch()
{
    for (;;)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const std::int64_t started = callStartMs.load();
        if (inCall.load() && started != 0 && RealMs() - started > kStallBoundMs)
        {
            std::fprintf(stderr, "host fuzzer: %s held the host's thread for more than %lld ms\n",
                         callName.load(), static_cast<long long>(kStallBoundMs));
            std::abort();
        }
    }
}
} // namespace

void Start()
{
    hostThread = std::this_thread::get_id();
    std::thread(&Watch).detach();
}

bool OnHostThread()
{
    return std::this_thread::get_id() == hostThread;
}

Call::Call(const char* what)
{
    callName.store(what);
    callStartMs.store(RealMs());
    inCall.store(true);
}

Call::~Call()
{
    inCall.store(false);
    callStartMs.store(0);
}

void OnLog(const char* text)
{
    FUZZ_CHECK(OnHostThread());
    FUZZ_CHECK(inCall.load());
    FUZZ_CHECK(text != nullptr && std::strlen(text) < (1u << 20));
    NetworkStandIn::CheckLogLine(text);
}
} // namespace hostfuzz::CallWatch
