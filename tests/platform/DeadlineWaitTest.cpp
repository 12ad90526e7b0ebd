// The send scheduler's wait: at its deadline and not before, cut short by a wake, and with a
// test clock ended only by a wake.
#include "platform/DeadlineWait.h"
#include "platform/SteadyClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace
{
std::atomic<std::int64_t> testNowUs{0};
std::int64_t TestClock()
{
    return testNowUs.load();
}

TEST(DeadlineWait, EndsAtItsDeadlineNotBeforeOrWhenWoken)
{
    platform::DeadlineWait wait;
    const std::int64_t deadline = platform::SteadyClockUs() + 20000;
    wait.WaitUntil(deadline);
    const std::int64_t woke = platform::SteadyClockUs();
    EXPECT_GE(woke, deadline);
    EXPECT_LT(woke, deadline + 500000) << "a generous bound: the machine may be busy";

    wait.Wake(); // before the wait: the next returns at once
    const std::int64_t start = platform::SteadyClockUs();
    wait.WaitUntil(start + 5000000);
    EXPECT_LT(platform::SteadyClockUs() - start, 500000);

    std::thread waker(
        [&wait]
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            wait.Wake();
        });
    wait.WaitUntil(std::nullopt);
    waker.join();
    EXPECT_GE(platform::SteadyClockUs() - start, 15000) << "only the wake ended it";
}

TEST(DeadlineWait, WithATestClockOnlyAWakeEndsIt)
{
    platform::InstallClockSource(&TestClock);
    platform::DeadlineWait wait;
    testNowUs = 1000;
    const std::int64_t start = platform::RealClockUs();
    std::thread waker(
        [&wait]
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            testNowUs = 2000;
            wait.Wake();
        });
    wait.WaitUntil(1500); // a deadline the test clock passes only when the test moves it
    waker.join();
    platform::InstallClockSource(nullptr);
    EXPECT_GE(platform::RealClockUs() - start, 25000);
}
} // namespace
