// The scheduler's wake margin follows how late its waits wake, within its bounds.
#include "sending/WakeMargin.h"

#include <gtest/gtest.h>

namespace
{
void WokeLate(WakeMargin& margin, std::int64_t lateUs, int times)
{
    for (int i = 0; i < times; ++i)
        margin.Woke(1000, 1000 + lateUs);
}

TEST(WakeMargin, FollowsTheLatenessNineInTenWaitsStayWithin)
{
    WakeMargin margin;
    EXPECT_EQ(margin.Us(), WakeMargin::kFirstUs);

    WokeLate(margin, 400, 32);
    EXPECT_EQ(margin.Us(), 420) << "a machine that wakes 0.4 ms late is spun for";
    WokeLate(margin, 5000, 3);
    EXPECT_EQ(margin.Us(), 420) << "three odd wakes in 32 do not move it";
    WokeLate(margin, 5000, 1);
    EXPECT_EQ(margin.Us(), WakeMargin::kMostUs) << "four do, to no more than the most";

    WokeLate(margin, 10, 32);
    EXPECT_EQ(margin.Us(), WakeMargin::kFewestUs) << "only the last 32 waits count";
    margin.Woke(1000, 900); // a clock read before the asked end counts as on time
    EXPECT_EQ(margin.Us(), WakeMargin::kFewestUs);
}
} // namespace
