// The deadline sleeps the senders wait with: the absolute one of this system, and the relative
// one macOS uses.
#include "platform/SteadyClock.h"

#include <gtest/gtest.h>

namespace
{
TEST(SteadyClock, DeadlineSleepsWakeAtTheirDeadlineNotBefore)
{
    for (void (*sleep)(std::int64_t) : {&platform::SleepUntilUs, &platform::SleepRemainderUntilUs})
    {
        const std::int64_t deadline = platform::SteadyClockUs() + 20000;
        sleep(deadline);
        const std::int64_t woke = platform::SteadyClockUs();
        EXPECT_GE(woke, deadline);
        EXPECT_LT(woke, deadline + 500000) << "a generous bound: the machine may be busy";

        const std::int64_t passed = platform::SteadyClockUs() - 1000;
        sleep(passed);
        EXPECT_LT(platform::SteadyClockUs() - passed, 500000) << "a passed deadline returns";
    }
}
} // namespace
