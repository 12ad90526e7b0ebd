// How long lookups are kept and when they are made again, with the clock and the resolver
// replaced through their seams.
#include "controller/osc/NameCache.h"

#include "platform/SteadyClock.h"
#include "tests/osc/SocketCallsFake.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace
{
using namespace std::chrono_literals;

std::atomic<std::int64_t> nowMs{1000000};
std::atomic<bool> resolvable{true};
std::mutex gateMutex;
std::condition_variable gateChanged;
bool gateOpen = true;

void SetGate(bool open)
{
    {
        const std::lock_guard lock(gateMutex);
        gateOpen = open;
    }
    gateChanged.notify_all();
}

const platform::SocketCalls& GatedCalls()
{
    static const platform::SocketCalls calls{
        .startUp = platform::SystemSocketCalls().startUp,
        .resolve =
            [](const char*, const char* service, std::vector<platform::ResolvedAddress>& out)
        {
            ++counts.resolves;
            std::unique_lock lock(gateMutex);
            gateChanged.wait(lock, [] { return gateOpen; });
            return resolvable && platform::SystemSocketCalls().resolve("127.0.0.1", service, out);
        },
        .open = platform::SystemSocketCalls().open,
        .sendTo = platform::SystemSocketCalls().sendTo,
        .close = platform::SystemSocketCalls().close,
    };
    return calls;
}

class NameCacheTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        counts.Reset();
        resolvable = true;
        platform::InstallClockSource([] { return nowMs.load() * 1000; });
    }
    void TearDown() override
    {
        SetGate(true);
        while (cache.BackgroundLookups() > 0)
            std::this_thread::sleep_for(1ms);
        platform::InstallClockSource(nullptr);
    }

    bool Resolve(const char* host)
    {
        std::vector<platform::ResolvedAddress> addresses;
        return cache.Resolve(host, 7000, addresses);
    }

    const ScopedSocketCalls calls{GatedCalls()};
    osc::NameCache cache;
};

TEST_F(NameCacheTest, SuccessIsKeptAndLookedUpAgainInTheBackgroundWhileItServes)
{
    EXPECT_TRUE(Resolve("studio-pc"));
    EXPECT_TRUE(Resolve("studio-pc"));
    EXPECT_EQ(counts.resolves.load(), 1);

    nowMs += 31000; // old enough to be looked up again, still kept
    SetGate(false);
    EXPECT_TRUE(Resolve("studio-pc")) << "answered at once from what is kept";
    EXPECT_EQ(cache.BackgroundLookups(), 1u);
    EXPECT_TRUE(Resolve("studio-pc")) << "a lookup under way is not started twice";
    SetGate(true);
    while (cache.BackgroundLookups() > 0)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(counts.resolves.load(), 2);

    nowMs += 61000; // unused for longer than it is kept: looked up before it is used
    resolvable = false;
    EXPECT_FALSE(Resolve("studio-pc"));
    EXPECT_EQ(counts.resolves.load(), 3);
}

TEST_F(NameCacheTest, FailureIsKeptForSecondsAndNumericAddressesAreNeverKept)
{
    resolvable = false;
    EXPECT_FALSE(Resolve("dead.test"));
    EXPECT_FALSE(Resolve("dead.test"));
    EXPECT_EQ(counts.resolves.load(), 1);
    nowMs += 5000;
    resolvable = true;
    EXPECT_TRUE(Resolve("dead.test"));
    EXPECT_EQ(counts.resolves.load(), 2);

    osc::PrefetchHost("127.0.0.1", 7000);
    EXPECT_EQ(osc::SharedNameCache().BackgroundLookups(), 0u) << "a numeric address needs none";
    std::vector<platform::ResolvedAddress> addresses;
    EXPECT_TRUE(osc::ResolveHost("127.0.0.1", 7000, addresses));
    EXPECT_TRUE(osc::ResolveHost("127.0.0.1", 7000, addresses));
    EXPECT_EQ(counts.resolves.load(), 4) << "converted each time, never kept";
}

} // namespace
