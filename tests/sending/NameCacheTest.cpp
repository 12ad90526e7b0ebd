// How long lookups are kept and when they are made again, with the clock and the resolver
// replaced through their seams.
#include "sending/NameCache.h"

#include "platform/SteadyClock.h"
#include "tests/sending/SocketCallsFake.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace
{
using namespace std::chrono_literals;

std::atomic<std::int64_t> nowMs{1000000};
using platform::LookupStatus;

// What the fake resolver answers: this address, or this failure.
std::atomic<LookupStatus> answer{LookupStatus::Resolved};
std::atomic<const char*> address{"127.0.0.1"};
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
            if (answer != LookupStatus::Resolved)
                return answer.load();
            return platform::SystemSocketCalls().resolve(address.load(), service, out);
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
        answer = LookupStatus::Resolved;
        address = "127.0.0.1";
        platform::InstallClockSource([] { return nowMs.load() * 1000; });
    }
    void TearDown() override
    {
        SetGate(true);
        WaitForLookups();
        platform::InstallClockSource(nullptr);
    }

    void WaitForLookups()
    {
        while (cache.BackgroundLookups() > 0)
            std::this_thread::sleep_for(1ms);
    }

    // The status; the addresses given are left in `addresses`.
    osc::Resolution Resolve(const char* host)
    {
        addresses.clear();
        return cache.Resolve(host, 7000, addresses);
    }
    bool Found(const char* host) { return Resolve(host).status == LookupStatus::Resolved; }

    std::vector<platform::ResolvedAddress> addresses;

    const ScopedSocketCalls calls{GatedCalls()};
    osc::NameCache cache;
};

TEST_F(NameCacheTest, SuccessServesForTheWholeShowAndIsLookedUpAgainBesideOldUses)
{
    EXPECT_TRUE(Found("studio-pc"));
    EXPECT_TRUE(Found("studio-pc"));
    EXPECT_EQ(counts.resolves.load(), 1);

    nowMs += 31000; // old enough to be looked up again, still kept
    SetGate(false);
    EXPECT_TRUE(Found("studio-pc")) << "answered at once from what is kept";
    EXPECT_EQ(cache.BackgroundLookups(), 1u);
    EXPECT_TRUE(Found("studio-pc")) << "a lookup under way is not started twice";
    SetGate(true);
    WaitForLookups();
    EXPECT_EQ(counts.resolves.load(), 2);

    nowMs += 900000; // unused for fifteen minutes: still served at once, and looked up beside
    SetGate(false);
    EXPECT_TRUE(Found("studio-pc"));
    EXPECT_EQ(cache.BackgroundLookups(), 1u);
    SetGate(true);
    WaitForLookups();
    EXPECT_EQ(counts.resolves.load(), 3);
}

TEST_F(NameCacheTest, FailedLookupLeavesTheLastGoodAddressServingForTheWholeShowToldOnce)
{
    EXPECT_TRUE(Found("studio-pc"));

    nowMs += 31000; // its refresh begins, and fails
    answer = LookupStatus::NoAnswer;
    EXPECT_TRUE(Found("studio-pc"));
    WaitForLookups();
    const osc::Resolution first = Resolve("studio-pc");
    EXPECT_EQ(first.status, LookupStatus::Resolved);
    EXPECT_FALSE(addresses.empty());
    EXPECT_EQ(first.failedLookup, LookupStatus::NoAnswer) << "the first send after it is told";
    EXPECT_EQ(Resolve("studio-pc").failedLookup, std::nullopt) << "and only that one";

    answer = LookupStatus::NotFound;
    nowMs += 5000; // asked again in the background, as the pause after a failure has passed
    EXPECT_TRUE(Found("studio-pc"));
    WaitForLookups();
    EXPECT_EQ(counts.resolves.load(), 3);
    EXPECT_TRUE(Found("studio-pc")) << "a name gone missing is served its last address too";
    EXPECT_FALSE(addresses.empty());

    nowMs += 3600000; // an hour on, the name server still down: never a send that waits
    SetGate(false);
    std::vector<platform::ResolvedAddress> now;
    const std::optional<osc::Resolution> served = cache.TryResolve("studio-pc", 7000, now);
    ASSERT_TRUE(served.has_value()) << "answered without a lookup";
    EXPECT_EQ(served->status, LookupStatus::Resolved);
    EXPECT_FALSE(now.empty());
    SetGate(true);
}

TEST_F(NameCacheTest, ALookupThatFindsAnotherAddressIsToldOnce)
{
    EXPECT_TRUE(Found("studio-pc"));
    EXPECT_FALSE(Resolve("studio-pc").newAddress) << "a first answer is no change";
    nowMs += 31000;
    address = "127.0.0.2"; // the machine moved
    EXPECT_TRUE(Found("studio-pc"));
    WaitForLookups();
    const osc::Resolution moved = Resolve("studio-pc");
    EXPECT_TRUE(moved.newAddress) << "the first send to the new address says so";
    ASSERT_EQ(addresses.size(), 1u);
    EXPECT_STREQ(platform::NumericAddressText(addresses[0]).data(), "127.0.0.2");
    EXPECT_FALSE(Resolve("studio-pc").newAddress) << "and only that one";

    nowMs += 31000; // the same address again: nothing to tell
    EXPECT_TRUE(Found("studio-pc"));
    WaitForLookups();
    EXPECT_FALSE(Resolve("studio-pc").newAddress);
}

TEST_F(NameCacheTest, SendsThatFindNoAnswerShareOneLookupPerNameAndTheThreadsAreBounded)
{
    SetGate(false);
    std::vector<platform::ResolvedAddress> out;
    const char* const names[] = {"a.test", "b.test", "c.test", "d.test", "e.test", "f.test"};
    for (int send = 0; send < 5; ++send)
        for (const char* name : names)
            EXPECT_FALSE(cache.TryResolve(name, 7000, out).has_value()) << "never waits";
    EXPECT_EQ(cache.BackgroundLookups(), osc::NameCache::Limits{}.backgroundLookups)
        << "the names beyond the bound wait their turn";
    SetGate(true);
    WaitForLookups();
    EXPECT_EQ(counts.resolves.load(), 6) << "one lookup per name, however many sends wanted it";
    for (const char* name : names)
    {
        const std::optional<osc::Resolution> answered = cache.TryResolve(name, 7000, out);
        ASSERT_TRUE(answered.has_value()) << name;
        EXPECT_EQ(answered->status, LookupStatus::Resolved) << name;
    }
}

TEST_F(NameCacheTest, LookupAheadJudgedBeforeAnAnswerCameStartsNone)
{
    EXPECT_EQ(Resolve("studio-pc").status, LookupStatus::Resolved);
    nowMs += 120000;
    const osc::Known stale = cache.Know("studio-pc", 7000);
    EXPECT_EQ(Resolve("studio-pc").status, LookupStatus::Resolved); // refreshed meanwhile
    WaitForLookups();
    const int resolves = counts.resolves.load();
    cache.LookUpAhead("studio-pc", 7000, stale);
    EXPECT_EQ(cache.BackgroundLookups(), 0u);
    EXPECT_EQ(counts.resolves.load(), resolves) << "found again since: no second lookup";
    cache.LookUpAhead("studio-pc", 7000, cache.Know("studio-pc", 7000));
    WaitForLookups();
    EXPECT_EQ(counts.resolves.load(), resolves + 1);
}

TEST_F(NameCacheTest, SilentNameServerWithNothingGoodIsAskedAgainAfterASecond)
{
    answer = LookupStatus::NoAnswer;
    EXPECT_EQ(Resolve("studio-pc").status, LookupStatus::NoAnswer);
    nowMs += 999;
    EXPECT_EQ(Resolve("studio-pc").status, LookupStatus::NoAnswer);
    cache.LookUpAhead("studio-pc", 7000, cache.Know("studio-pc", 7000));
    EXPECT_EQ(cache.BackgroundLookups(), 0u);
    EXPECT_EQ(counts.resolves.load(), 1) << "kept for the pause, for sends and lookups ahead alike";

    nowMs += 1;
    SetGate(false);
    cache.LookUpAhead("studio-pc", 7000, cache.Know("studio-pc", 7000));
    EXPECT_EQ(cache.BackgroundLookups(), 1u) << "asked again once the pause is over";
    answer = LookupStatus::Resolved;
    SetGate(true);
    WaitForLookups();
    EXPECT_TRUE(Found("studio-pc"));
    EXPECT_EQ(counts.resolves.load(), 2);
}

TEST_F(NameCacheTest, FailureIsKeptForSecondsAndNumericAddressesAreNeverKept)
{
    answer = LookupStatus::NotFound;
    EXPECT_FALSE(Found("dead.test"));
    EXPECT_FALSE(Found("dead.test"));
    EXPECT_EQ(counts.resolves.load(), 1);
    nowMs += 4999;
    EXPECT_FALSE(Found("dead.test")) << "a name that does not resolve is kept for 5 s";
    nowMs += 1;
    answer = LookupStatus::Resolved;
    EXPECT_TRUE(Found("dead.test"));
    EXPECT_EQ(counts.resolves.load(), 2);

    EXPECT_FALSE(osc::NeedsLookup("127.0.0.1"));
    EXPECT_FALSE(osc::NeedsLookup("::1"));
    for (int send = 0; send < 2; ++send)
        EXPECT_EQ(osc::ResolveHostNow("127.0.0.1", 7000, addresses)->status,
                  LookupStatus::Resolved);
    EXPECT_EQ(counts.resolves.load(), 4) << "converted each time, never kept";
    EXPECT_EQ(osc::SharedNameCache().BackgroundLookups(), 0u);
}

} // namespace
