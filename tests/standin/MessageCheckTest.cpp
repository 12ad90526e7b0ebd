// Judging a run's messages against the settings: each arrival traced to the start or Test
// press it answers, starts that ran past a delay without their message found missing.
#include "tools/standin/MessageCheck.h"

#include <gtest/gtest.h>

namespace
{
using standin::CheckMessages;
using standin::Clock;
using standin::Expectation;
using standin::Mark;
using standin::MessageCheck;
using standin::RunRecord;

const Clock::time_point t0 = Clock::now();

Clock::time_point At(int milliseconds)
{
    return t0 + std::chrono::milliseconds(milliseconds);
}

const Expectation kTransition{"transition duration", "/transition/duration", true, "Delay", 1000};
const Expectation kNextClip{"next clip", "/connectnextclip", true, "DelayNextClip", 2000};

// One clip start at 0 with the host's restarts while its time stays near 0, and frames every
// 16 ms until `lastFrame`.
RunRecord ClipWithFramesUntil(int lastFrame)
{
    RunRecord record;
    record.clipStarts.push_back(At(0));
    for (const int restart : {16, 32, 48})
        record.marks.push_back(Mark{At(restart), false});
    for (int ms = 0; ms <= lastFrame; ms += 16)
        record.frames.push_back(At(ms));
    return record;
}

void Arrive(RunRecord& record, const std::string& address, int milliseconds)
{
    standin::Arrival arrival;
    arrival.message.address = address;
    arrival.message.decoded = true;
    arrival.message.arrival = At(milliseconds);
    arrival.clip = 1;
    record.arrivals.push_back(arrival);
}

TEST(MessageCheck, TracesEachMessageToTheLastRestartBeforeItsDelay)
{
    RunRecord record = ClipWithFramesUntil(2990);
    Arrive(record, "/composition/selectedlayer/transition/duration", 1049);
    Arrive(record, "/composition/selectedlayer/connectnextclip", 2049);

    const MessageCheck check = CheckMessages(record, {kTransition, kNextClip});
    EXPECT_TRUE(check.Passed());
    // The earlier restarts were replaced before any of their delays ran out.
    EXPECT_EQ(check.expected, 2u);
    ASSERT_EQ(check.verdicts.size(), 2u);
    EXPECT_EQ(check.verdicts[0].mark, 2u);
    EXPECT_EQ(check.verdicts[1].mark, 2u);
    EXPECT_EQ(check.verdicts[0].due, At(1048));
}

TEST(MessageCheck, FindsMessagesMissingEarlyOrSentTwiceForOneStart)
{
    RunRecord missing = ClipWithFramesUntil(2990);
    Arrive(missing, "/composition/selectedlayer/transition/duration", 1049);
    const MessageCheck noNextClip = CheckMessages(missing, {kTransition, kNextClip});
    EXPECT_FALSE(noNextClip.Passed());
    ASSERT_EQ(noNextClip.missing.size(), 1u);
    EXPECT_EQ(noNextClip.missing[0].expectation, 1u);
    EXPECT_EQ(noNextClip.missing[0].due, At(2048));

    RunRecord early = ClipWithFramesUntil(990);
    Arrive(early, "/composition/selectedlayer/transition/duration", 900);
    const MessageCheck tooEarly = CheckMessages(early, {kTransition});
    EXPECT_FALSE(tooEarly.Passed());
    EXPECT_FALSE(tooEarly.verdicts[0].mark.has_value());
    EXPECT_EQ(tooEarly.expected, 0u) << "no frame ran past the delay";

    RunRecord twice = ClipWithFramesUntil(1500);
    Arrive(twice, "/composition/selectedlayer/transition/duration", 1049);
    Arrive(twice, "/composition/selectedlayer/transition/duration", 1066);
    const MessageCheck repeated = CheckMessages(twice, {kTransition});
    EXPECT_FALSE(repeated.Passed());
    EXPECT_FALSE(repeated.verdicts[0].repeat);
    EXPECT_TRUE(repeated.verdicts[1].repeat);
}

TEST(MessageCheck, AnAddressNoSettingAsksForFails)
{
    RunRecord record = ClipWithFramesUntil(500);
    Arrive(record, "/composition/layers/1/clear", 100);
    const MessageCheck check = CheckMessages(record, {kTransition});
    EXPECT_FALSE(check.Passed());
    EXPECT_FALSE(check.verdicts[0].expectation.has_value());
}

TEST(MessageCheck, TestAsksForEveryMessageAtOnceAndEndsTheSequence)
{
    RunRecord record = ClipWithFramesUntil(2990);
    record.marks.push_back(Mark{At(1500), true});
    Arrive(record, "/composition/selectedlayer/transition/duration", 1049);
    Arrive(record, "/composition/selectedlayer/transition/duration", 1501);
    Arrive(record, "/composition/selectedlayer/connectnextclip", 1501);

    const MessageCheck check = CheckMessages(record, {kTransition, kNextClip});
    EXPECT_TRUE(check.Passed());
    // The Test press ended the sequence before next clip's delay: only Test asked for it.
    EXPECT_EQ(check.expected, 3u);
    EXPECT_EQ(check.verdicts[1].mark, 3u);
    EXPECT_EQ(check.verdicts[2].mark, 3u);
}

} // namespace
