// The send scheduler's wait: at its deadline and not before, cut short by a wake, and with a
// test clock ended only by a wake; the timer period a coarse wait holds, given back after it.
#include "platform/DeadlineWait.h"
#include "platform/SteadyClock.h"
#include "platform/TimerPeriod.h"

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
std::atomic<int> periodsBegun{0};
std::atomic<int> periodsEnded{0};
std::atomic<unsigned> beginAnswer{0};

TEST(TimerPeriod, EveryPeriodGrantedIsGivenBackBeforeItsWaitReturns)
{
    static const platform::TimerPeriodCalls counting{
        .begin =
            [](unsigned ms)
        {
            periodsBegun += ms == 1 ? 1 : 100;
            return beginAnswer.load();
        },
        .end =
            [](unsigned ms)
        {
            periodsEnded += ms == 1 ? 1 : 100;
            return 0u;
        },
    };
    const platform::TimerPeriodCalls* const previous = platform::InstallTimerPeriodCalls(&counting);
    platform::DeadlineWait wait;
    for (int i = 0; i < 3; ++i)
    {
        const platform::ScopedTimerPeriod period;
        wait.WaitUntil(platform::SteadyClockUs() + 1000);
        EXPECT_EQ(periodsEnded.load(), i) << "held for the whole wait";
    }
    EXPECT_EQ(periodsBegun.load(), 3);
    EXPECT_EQ(periodsEnded.load(), 3) << "each 1 ms period asked for is given back";
    beginAnswer = 97; // TIMERR_NOCANDO: refused, so nothing to give back
    {
        const platform::ScopedTimerPeriod period;
    }
    EXPECT_EQ(periodsEnded.load(), 3);
    platform::InstallTimerPeriodCalls(previous);
}
} // namespace
