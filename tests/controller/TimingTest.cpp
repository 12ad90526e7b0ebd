#include "tests/controller/ControllerFixture.h"
#include "sending/SendChannel.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

namespace
{
using vdrxtest::ControllerTest;
using P = VendrolixPro;

class Timing : public ControllerTest
{
protected:
    // Settings of a GL instance with every message off, so only starts are observed.
    void SetUp() override
    {
        ControllerTest::SetUp();
        ApplyRegisteredDefaults();
        plugin.SetFloatParameter(P::LayerTrans, 0.0f);
    }

    // On a fresh instance: primes with the first time, then tells whether the second, a frame
    // later, starts.
    static bool StartsAfter(double first, double second)
    {
        VendrolixPro fresh;
        fresh.SetTime(first);
        Advance(16);
        fresh.SetTime(second);
        return std::string(fresh.GetParameterDisplay(P::Status)).rfind("started @ t=", 0) == 0;
    }
};

TEST(FormatRemaining, RoundsUpToTheNextTenth)
{
    EXPECT_EQ(FormatRemaining(1), "0.1s");
    EXPECT_EQ(FormatRemaining(100), "0.1s");
    EXPECT_EQ(FormatRemaining(101), "0.2s");
    EXPECT_EQ(FormatRemaining(2950), "3.0s");
    EXPECT_EQ(FormatRemaining(900000), "900.0s");
    EXPECT_EQ(FormatRemaining(0), "0.0s");
    EXPECT_EQ(FormatRemaining(-7), "0.0s");
}

TEST_F(Timing, FirstTimeOnlyPrimesThenSmallForwardStepsStartNothing)
{
    EXPECT_EQ(plugin.SetTime(5.0), ffgl::kSuccess);
    EXPECT_EQ(plugin.SetTime(5.02), ffgl::kSuccess);
    EXPECT_EQ(Status(), "idle");
    plugin.SetFloatParameter(P::LayerTrans, 1.0f);
    Frame();
    EXPECT_EQ(Status(), "T0.0s|Nno|Mno");
    EXPECT_EQ(JobCount(), 0u) << "no sequence, so nothing is dispatched";
}

TEST_F(Timing, StartConditions)
{
    EXPECT_TRUE(StartsAfter(0.0, 0.02)) << "at or below the restart tolerance";
    EXPECT_TRUE(StartsAfter(0.5, 0.52)) << "late start while idle";
    EXPECT_TRUE(StartsAfter(10.0, 4.9)) << "a step back of more than 0.05 s";
    EXPECT_FALSE(StartsAfter(10.0, 9.96)) << "a step back within the tolerance";
    EXPECT_FALSE(StartsAfter(2.5, 2.6)) << "forward beyond the late-start window";
    EXPECT_FALSE(StartsAfter(0.6, 0.55)) << "late start needs time running forward";
    EXPECT_FALSE(StartsAfter(0.04, 0.01)) << "a clip playing backwards counts from its wrap";
    EXPECT_TRUE(StartsAfter(1.0, 0.03)) << "entering the restart window";

    plugin.SetTime(0.0);
    plugin.SetTime(0.02);
    EXPECT_EQ(Status(), "started @ t=0.020") << "until the next frame";
    Frame();
    EXPECT_EQ(Status(), "Tno|Nno|Mno") << "the next frame writes the countdown";
}

// A host that gives its time twice and then draws frames without it: the start holds, and each
// message goes once at its delay after it.
TEST_F(Timing, OneStartThenFramesWithoutTimeSendEachMessageOnceAtItsDelay)
{
    plugin.SetFloatParameter(P::LayerTrans, 1.0f);
    plugin.SetFloatParameter(P::Delay, 300.0f);
    plugin.SetFloatParameter(P::NextClip, 1.0f);
    plugin.SetFloatParameter(P::DelayNextClip, 600.0f);
    plugin.SetTime(0.0);
    plugin.SetTime(0.02);
    const std::int64_t startUs = vdrxtest::fakeNowMs.load() * 1000;
    FramesFor(1000);
    ASSERT_EQ(JobCount(), 2u);
    std::lock_guard lock(vdrxtest::jobsMutex);
    EXPECT_TRUE(vdrxtest::startedJobs[0].Sends(kTransition));
    EXPECT_EQ(vdrxtest::startedJobs[0].deadlineUs[kTransition], startUs + 300000);
    EXPECT_TRUE(vdrxtest::startedJobs[1].Sends(kNextClip));
    EXPECT_EQ(vdrxtest::startedJobs[1].deadlineUs[kNextClip], startUs + 600000);
}

// A message whose delay is longer than the clip's pass never goes: the host log says so once,
// and again after a setting changes.
TEST_F(Timing, AMessageLongerThanThePassIsCalledOffAndToldOnce)
{
    plugin.SetFloatParameter(P::LayerTrans, 1.0f);
    plugin.SetFloatParameter(P::Delay, 1500.0f);
    const auto told = []
    {
        const std::lock_guard lock(vdrxtest::jobsMutex);
        return std::count(vdrxtest::logLines.begin(), vdrxtest::logLines.end(),
                          "VendrolixOSC: transition duration called off: the clip began again "
                          "before its delay (1.5s) was over; so it goes in no pass shorter than that");
    };
    for (int pass = 0; pass < 4; ++pass)
    {
        plugin.SetTime(0.0);
        FramesFor(1000); // a 1 s clip
        plugin.SetTime(1.0);
    }
    EXPECT_EQ(told(), 1);
    EXPECT_EQ(JobCount(), 0u);
    plugin.SetFloatParameter(P::Duration, 2.0f);
    plugin.SetTime(0.0);
    FramesFor(1000);
    plugin.SetTime(0.0);
    EXPECT_EQ(told(), 2) << "told again after a setting changed";
}

TEST_F(Timing, LateStartNeedsAnIdleSequenceAndForwardTime)
{
    plugin.SetTime(0.5);
    plugin.SetTime(0.52); // starts
    Frame();
    plugin.SetTime(0.6);
    EXPECT_NE(Status().rfind("started @", 0), 0u) << "already active";
    plugin.SetTime(2.5);
    EXPECT_NE(Status().rfind("started @", 0), 0u);
}

TEST_F(Timing, FrameGapStartsAtMostOncePer1500Ms)
{
    // Starts are seen through the event each one raises on "Duration".
    auto startsSinceLastLook = [this]
    {
        ffgl::ParameterEventEntry entries[12]{};
        const std::uint32_t count = plugin.TakeEvents(entries, 12);
        return std::count_if(entries, entries + count,
                             [](const auto& e) { return e.index == P::Duration; });
    };
    auto framesFor = [this](std::int64_t ms)
    {
        for (std::int64_t t = 0; t < ms; t += 16)
        {
            Frame();
            Advance(16);
        }
    };

    framesFor(160);
    EXPECT_EQ(startsSinceLastLook(), 0);
    Advance(600);
    Frame(); // the gap start, at G
    EXPECT_EQ(startsSinceLastLook(), 1);

    framesFor(288);
    Advance(600);
    Frame(); // G + 888: within 1500 ms of the last gap start
    EXPECT_EQ(startsSinceLastLook(), 0);

    framesFor(96);
    Advance(600);
    Frame(); // G + 1584
    EXPECT_EQ(startsSinceLastLook(), 1);
}

TEST_F(Timing, GapStartWithoutHostTimeReportsZero)
{
    Frame();
    Advance(501);
    plugin.SetFloatParameter(P::LayerTrans, 1.0f);
    plugin.SetFloatParameter(P::Delay, 0.0f);
    plugin.SetFloatParameter(P::NextClip, 1.0f);
    plugin.SetFloatParameter(P::DelayNextClip, 5000.0f);
    Frame();
    ASSERT_EQ(JobCount(), 1u) << "a gap start is a clip start";
    EXPECT_TRUE(LastJob().Sends(kTransition));
    EXPECT_EQ(Status(), "Tok|N5.0s|Mno");
}

TEST_F(Timing, DelaysInBeatsCountAtTheHostsTempoAndFollowItsChanges)
{
    plugin.SetFloatParameter(P::LayerTrans, 1.0f);
    plugin.SetFloatParameter(P::DelaysInBeats, 1.0f);
    plugin.SetFloatParameter(P::Delay, 16000.0f);
    EXPECT_STREQ(plugin.GetParameterDisplay(P::Delay), "16.0 beats");
    const auto dueAfterStartUs = [this](float bpm, float changedBpm)
    {
        plugin.SetBeatInfo(bpm, 0.0f);
        plugin.SetTime(2.9);
        plugin.SetTime(0.0);
        const std::int64_t startMs = vdrxtest::fakeNowMs;
        const std::size_t jobs = JobCount();
        FramesFor(4000);
        plugin.SetBeatInfo(changedBpm, 0.0f);
        for (int frame = 0; JobCount() == jobs && frame < 1000; ++frame)
            FramesFor(16);
        return JobCount() > jobs ? LastJob().deadlineUs[kTransition] - startMs * 1000 : -1;
    };
    EXPECT_EQ(dueAfterStartUs(128.0f, 128.0f), 7500000) << "16 beats at 128 BPM";
    EXPECT_EQ(dueAfterStartUs(120.0f, 140.0f), 4000000 + 3428571) << "8 at 120, then 8 at 140";

    // A change while it waits moves it in place, to the moment the new tempo gives: it stays in
    // the queue, and a moment that now falls before the next frame is met all the same.
    plugin.SetBeatInfo(128.0f, 0.0f);
    plugin.SetTime(2.9);
    plugin.SetTime(0.0);
    const std::int64_t startMs = vdrxtest::fakeNowMs;
    for (int frame = 0; vdrxtest::testQueue.Waiting() == 0 && frame < 1000; ++frame)
        FramesFor(16);
    ASSERT_EQ(vdrxtest::testQueue.Waiting(), 1u);
    const std::int64_t changeMs = vdrxtest::fakeNowMs;
    const double beatsLeft = 16.0 - static_cast<double>(changeMs - startMs) * 128.0 / 60000.0;
    const std::int64_t movedUs = changeMs * 1000 + std::llround(beatsLeft * 60e6 / 256.0);
    // Another's message, scheduled later for the moment it moves to: taken out and put back,
    // it would go after that one.
    const auto other = std::make_shared<SendChannel>();
    ScheduledMessage othersMessage;
    othersMessage.channel = other;
    othersMessage.deadlineUs = movedUs;
    ASSERT_FALSE(vdrxtest::testQueue.Schedule(othersMessage, vdrxtest::FakeClock()));
    plugin.SetBeatInfo(256.0f, 0.0f);
    ScheduledMessage first;
    ScheduledMessage second;
    ASSERT_TRUE(vdrxtest::testQueue.TakeDue(movedUs, first));
    ASSERT_TRUE(vdrxtest::testQueue.TakeDue(movedUs, second));
    EXPECT_NE(first.channel, other) << "moved in place, not taken out and put back";
    ASSERT_FALSE(vdrxtest::testQueue.Schedule(first.channel == other ? second : first,
                                              vdrxtest::FakeClock()));
    EXPECT_EQ(vdrxtest::testQueue.NextDeadline(), movedUs);

    // Float noise in the tempo moves nothing; a drift that adds up to a microsecond against the
    // moment it was scheduled for does.
    plugin.SetBeatInfo(std::nextafter(256.0f, 300.0f), 0.0f);
    EXPECT_EQ(vdrxtest::testQueue.NextDeadline(), movedUs) << "less than a microsecond";
    float drifting = 256.0f;
    for (int push = 0; push < 2000 && vdrxtest::testQueue.NextDeadline() == movedUs; ++push)
        plugin.SetBeatInfo(drifting = std::nextafter(drifting, 300.0f), 0.0f);
    EXPECT_EQ(vdrxtest::testQueue.NextDeadline(),
              changeMs * 1000 + std::llround(beatsLeft * 60e6 / static_cast<double>(drifting)))
        << "the slow drift added up";
    EXPECT_EQ(vdrxtest::testQueue.Waiting(), 1u);
    const std::size_t sent = JobCount();
    FramesFor(16);
    ASSERT_EQ(JobCount(), sent + 1);
    EXPECT_LT(LastJob().deadlineUs[kTransition], movedUs) << "sent at its moved moment";
    EXPECT_GE(LastJob().deadlineUs[kTransition], movedUs - 2);
    // Once it has gone, a change of tempo cannot send it again in the same pass.
    FramesFor(20000);
    ASSERT_EQ(JobCount(), sent + 1);
    plugin.SetBeatInfo(128.0f, 0.0f);
    FramesFor(10000);
    EXPECT_EQ(JobCount(), sent + 1) << "sent stays sent";

    plugin.SetBeatInfo(120.0f, 0.0f);
    plugin.SetTime(0.3);
    plugin.SetTime(0.0);
    FramesFor(2000);
    EXPECT_EQ(Status(), "T12.0b|Nno|Mno") << "4 of 16 beats counted";
    plugin.SetFloatParameter(P::DelaysInBeats, 0.0f);
    EXPECT_STREQ(plugin.GetParameterDisplay(P::Delay), "16.0s");
}

TEST_F(Timing, TempoThatIsNoTempoIsRefusedWithOneLogLine)
{
    plugin.SetBeatInfo(130.0f, 0.0f);
    vdrxtest::logLines.clear();
    for (const float bad : {std::nanf(""), -5.0f, 0.0f, 1000.0f, std::nanf("")})
        plugin.SetBeatInfo(bad, 0.0f);
    EXPECT_EQ(plugin.GetTempo(), 130.0f) << "the last good tempo stays";
    ASSERT_EQ(vdrxtest::logLines.size(), 1u) << "one line, not one per frame";
    EXPECT_EQ(vdrxtest::logLines[0],
              "VendrolixOSC: the host's tempo (not a number) is not 0 to 999 "
              "BPM; delays in beats count at 130.0 BPM");
    plugin.SetBeatInfo(999.0f, 0.0f);
    plugin.SetBeatInfo(-1.0f, 0.0f);
    EXPECT_EQ(vdrxtest::logLines.size(), 2u) << "told again after a good tempo";
}

} // namespace
