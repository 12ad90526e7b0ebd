// Judging a run's messages against the settings: each arrival traced to the cue it answers (a
// pass's beginning, a Test press, a start the plug-in declared after a pause) and held to its
// delay after it, in seconds or in beats of the tempos given, no earlier and at most 3 ms (and
// the call jitter) later, once; cues that ran past a delay without their message found missing;
// starts of the plug-in's that no cue explains.
#include "tools/standin/MessageCheck.h"

#include <gtest/gtest.h>

namespace
{
using standin::CheckMessages;
using standin::ClipStart;
using standin::Clock;
using standin::Cue;
using standin::Expectation;
using standin::Handover;
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
const Expectation kTempo{"OSC Msg", "/tempo", false, "DlayOSCmsg (s)", 0};

Mark PluginStart(int milliseconds)
{
    return Mark{At(milliseconds), Mark::Source::SetTime};
}

// One clip from 0 with frames every 16 ms from `firstFrame` until `lastFrame`; the plug-in
// declares its start in the clip's second frame, as at a ping-pong turn.
RunRecord ClipWithFrames(int firstFrame, int lastFrame)
{
    RunRecord record;
    record.framePeriod = std::chrono::milliseconds(16);
    record.clipStarts.push_back(ClipStart{At(0), 0});
    record.marks.push_back(PluginStart(16));
    for (int ms = firstFrame; ms <= lastFrame; ms += 16)
        record.frames.push_back(At(ms));
    return record;
}

RunRecord ClipWithFramesUntil(int lastFrame)
{
    return ClipWithFrames(0, lastFrame);
}

// Frames every 16 ms until 1488 and again from 2096: the clip's time ran on meanwhile.
RunRecord ClipWithStall()
{
    RunRecord record = ClipWithFramesUntil(1488);
    const RunRecord after = ClipWithFrames(2096, 2990);
    record.frames.insert(record.frames.end(), after.frames.begin(), after.frames.end());
    record.gaps.push_back(standin::Gap{At(1488), At(2096)});
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

TEST(MessageCheck, CountsEachDelayFromTheClipsFirstFrame)
{
    RunRecord record = ClipWithFramesUntil(2990);
    Arrive(record, "/tempo", 1);
    Arrive(record, "/composition/selectedlayer/transition/duration", 1001);
    Arrive(record, "/composition/selectedlayer/connectnextclip", 2002);

    const MessageCheck check = CheckMessages(record, {kTransition, kNextClip, kTempo});
    EXPECT_TRUE(check.Passed());
    EXPECT_EQ(check.cues.size(), 1u) << "the plug-in's start belongs to the clip start";
    EXPECT_EQ(check.expected, 3u);
    ASSERT_EQ(check.verdicts.size(), 3u);
    EXPECT_EQ(check.verdicts[1].cue, 0u);
    EXPECT_EQ(check.verdicts[1].due, At(1000));
}

TEST(MessageCheck, FindsMessagesEarlyLateMissingOrSentAgainForOneClipStart)
{
    // A plug-in that starts again on every frame while the host time stays near 0.
    RunRecord restarting = ClipWithFramesUntil(2990);
    for (const int ms : {32, 48})
        restarting.marks.push_back(PluginStart(ms));
    for (const int ms : {1, 33, 49})
        Arrive(restarting, "/tempo", ms);
    Arrive(restarting, "/composition/selectedlayer/transition/duration", 1049);
    const MessageCheck check = CheckMessages(restarting, {kTransition, kNextClip, kTempo});
    EXPECT_FALSE(check.Passed());
    EXPECT_EQ(check.strayStarts, (std::vector<Clock::time_point>{At(32), At(48)}));
    ASSERT_EQ(check.verdicts.size(), 4u);
    EXPECT_TRUE(check.verdicts[0].Ok());
    EXPECT_TRUE(check.verdicts[1].repeat);
    EXPECT_TRUE(check.verdicts[2].repeat);
    EXPECT_TRUE(check.verdicts[3].late) << "49 ms after its due time";
    ASSERT_EQ(check.missing.size(), 1u);
    EXPECT_EQ(check.missing[0].expectation, 1u);
    EXPECT_EQ(check.missing[0].due, At(2000));

    // The plug-in reads its clock in microseconds: a millisecond early is early.
    RunRecord early = ClipWithFramesUntil(990);
    Arrive(early, "/composition/selectedlayer/transition/duration", 999);
    const MessageCheck tooEarly = CheckMessages(early, {kTransition});
    EXPECT_FALSE(tooEarly.Passed());
    EXPECT_FALSE(tooEarly.verdicts[0].cue.has_value());
    EXPECT_EQ(tooEarly.expected, 0u) << "no frame ran past the delay";

    // A message leaves at its moment, not with the next frame.
    RunRecord onTheEdge = ClipWithFramesUntil(2990);
    Arrive(onTheEdge, "/composition/selectedlayer/transition/duration", 1003);
    Arrive(onTheEdge, "/composition/selectedlayer/connectnextclip", 2004);
    Arrive(onTheEdge, "/tempo", 1);
    const MessageCheck edge = CheckMessages(onTheEdge, {kTransition, kNextClip, kTempo});
    EXPECT_TRUE(edge.verdicts[0].Ok()) << "3 ms late is on time";
    EXPECT_TRUE(edge.verdicts[1].late) << "4 ms late is late";
    EXPECT_TRUE(edge.verdicts[2].Ok());
}

TEST(MessageCheck, AnAddressNoSettingAsksForFails)
{
    RunRecord record = ClipWithFramesUntil(500);
    Arrive(record, "/composition/layers/1/clear", 100);
    const MessageCheck check = CheckMessages(record, {kTransition});
    EXPECT_FALSE(check.Passed());
    EXPECT_FALSE(check.verdicts[0].expectation.has_value());
}

TEST(MessageCheck, TestSendsEachMessageOnceAndTheCountdownWaitsForTheNextClipStart)
{
    RunRecord record = ClipWithFramesUntil(2990);
    record.marks.push_back(Mark{At(1500), Mark::Source::Test});
    Arrive(record, "/composition/selectedlayer/transition/duration", 1001);
    Arrive(record, "/composition/selectedlayer/transition/duration", 1501);
    Arrive(record, "/composition/selectedlayer/connectnextclip", 1501);

    const MessageCheck check = CheckMessages(record, {kTransition, kNextClip});
    EXPECT_TRUE(check.Passed());
    // The clip start's next clip was due after "Test" stopped its countdown: not asked for.
    EXPECT_EQ(check.expected, 3u);
    EXPECT_EQ(check.verdicts[1].cue, 1u);
    EXPECT_EQ(check.verdicts[2].cue, 1u);

    // A countdown started again after the press sends once more what the press sent.
    record.marks.push_back(PluginStart(1504));
    Arrive(record, "/composition/selectedlayer/transition/duration", 2505);
    const MessageCheck restarted = CheckMessages(record, {kTransition, kNextClip});
    EXPECT_FALSE(restarted.Passed());
    EXPECT_TRUE(restarted.verdicts[3].repeat);
    EXPECT_EQ(restarted.strayStarts, std::vector<Clock::time_point>{At(1504)});
}

TEST(MessageCheck, AMessageDueInAStallIsOnTimeWithTheFirstFrameAfterItAndTheStallStartsNothing)
{
    // Due just after the last frame before the stall, which may have handed it over.
    const Expectation handedOver{"OSC Msg", "/tempo", false, "DlayOSCmsg (s)", 1495};
    RunRecord record = ClipWithStall();
    Arrive(record, "/composition/selectedlayer/transition/duration", 1001);
    Arrive(record, "/tempo", 1496);
    Arrive(record, "/composition/selectedlayer/connectnextclip", 2099);
    const MessageCheck check = CheckMessages(record, {kTransition, kNextClip, handedOver});
    EXPECT_TRUE(check.Passed());
    EXPECT_EQ(check.verdicts[0].handover, Handover::AtItsMoment);
    EXPECT_EQ(check.verdicts[1].handover, Handover::AtItsMoment);
    EXPECT_EQ(check.verdicts[2].handover, Handover::AfterGap);
    EXPECT_EQ(check.verdicts[2].due, At(2096));

    // Later than a frame after the stall; and a plug-in that counts the stall as a start sends
    // the transition again a second after it.
    RunRecord restarted = ClipWithStall();
    restarted.marks.push_back(Mark{At(2096), Mark::Source::ProcessOpenGL});
    Arrive(restarted, "/composition/selectedlayer/transition/duration", 1001);
    Arrive(restarted, "/composition/selectedlayer/connectnextclip", 2130);
    Arrive(restarted, "/composition/selectedlayer/transition/duration", 3097);
    const MessageCheck late = CheckMessages(restarted, {kTransition, kNextClip});
    EXPECT_TRUE(late.verdicts[1].late);
    EXPECT_TRUE(late.verdicts[2].repeat);
    EXPECT_EQ(late.cues.size(), 1u) << "the stall is no cue";
    EXPECT_EQ(late.strayStarts, std::vector<Clock::time_point>{At(2096)});
}

TEST(MessageCheck, HoldsAMessageDueBeforeItsPassCouldShowToThatFrameAndAPassNoFrameSawToNothing)
{
    // A ping-pong turn at 0 shows with the second frame after it, at 16 ms: a message due at
    // once may come up to a frame period and 3 ms after that frame.
    RunRecord turn = ClipWithFramesUntil(990);
    turn.clipStarts[0].shownBy = 1;
    Arrive(turn, "/tempo", 35);
    const MessageCheck shown = CheckMessages(turn, {kTempo});
    EXPECT_TRUE(shown.Passed());
    EXPECT_EQ(shown.verdicts[0].handover, Handover::WithStart);
    EXPECT_EQ(shown.verdicts[0].due, At(16));
    turn.arrivals[0].message.arrival = At(36);
    EXPECT_TRUE(CheckMessages(turn, {kTempo}).verdicts[0].late);

    // SetTime up to 2 ms after its moment: 3 ms and those 2 are on time.
    RunRecord jittered = ClipWithFramesUntil(1990);
    jittered.callJitter = std::chrono::milliseconds(2);
    Arrive(jittered, "/composition/selectedlayer/transition/duration", 1005);
    EXPECT_TRUE(CheckMessages(jittered, {kTransition}).Passed());
    jittered.arrivals[0].message.arrival = At(1006);
    EXPECT_TRUE(CheckMessages(jittered, {kTransition}).verdicts[0].late);

    // The layer hidden from 1488 to 2600 ms: clip 2 began (1500) and ended (2500) unseen, clip 3
    // gets what fell due in the gap with the first frame after it, where the plug-in may start.
    RunRecord hidden = ClipWithFramesUntil(1488);
    const RunRecord after = ClipWithFrames(2600, 2990);
    hidden.frames.insert(hidden.frames.end(), after.frames.begin(), after.frames.end());
    hidden.gaps.push_back(standin::Gap{At(1488), At(2600)});
    hidden.clipStarts.push_back(ClipStart{At(1500), std::nullopt});
    hidden.clipStarts.push_back(ClipStart{At(2500), 94});
    hidden.marks.push_back(Mark{At(2600), Mark::Source::ProcessOpenGL});
    Arrive(hidden, "/tempo", 1);
    Arrive(hidden, "/composition/selectedlayer/transition/duration", 1001);
    Arrive(hidden, "/tempo", 2601);
    Arrive(hidden, "/composition/selectedlayer/transition/duration", 2601); // clip 2's
    const MessageCheck unseen = CheckMessages(hidden, {kTransition, kTempo});
    EXPECT_FALSE(unseen.Passed());
    EXPECT_EQ(unseen.expected, 3u) << "nothing for clip 2";
    EXPECT_TRUE(unseen.missing.empty());
    EXPECT_TRUE(unseen.strayStarts.empty());
    EXPECT_EQ(unseen.cues.size(), 3u) << "the start after the gap is clip 3's";
    EXPECT_EQ(unseen.verdicts[2].cue, 2u);
    EXPECT_TRUE(unseen.verdicts[2].Ok());
    EXPECT_EQ(unseen.verdicts[3].cue, 1u);
    EXPECT_TRUE(unseen.verdicts[3].unseen);
}

Expectation InBeats(Expectation expectation, std::int32_t thousandths)
{
    expectation.delay = thousandths;
    expectation.inBeats = true;
    return expectation;
}

TEST(MessageCheck, CountsBeatsAtTheTemposGivenAChangeKeepingTheBeatsCountedBeforeIt)
{
    // 120 BPM from before the clip, 140 from 4 s (beat 8) on, 120 again from clip 2 at 8 s.
    RunRecord record = ClipWithFramesUntil(8990);
    record.clipStarts.push_back(ClipStart{At(8000), 500});
    record.tempos = {{At(-500), 120.0}, {At(4000), 140.0}, {At(8000), 120.0}};
    const std::vector<Expectation> expectations = {InBeats(kTransition, 1000),
                                                   InBeats(kNextClip, 16000)};
    Arrive(record, "/composition/selectedlayer/transition/duration", 501);
    Arrive(record, "/composition/selectedlayer/connectnextclip", 7431);
    Arrive(record, "/composition/selectedlayer/transition/duration", 8501);
    const MessageCheck check = CheckMessages(record, expectations);
    EXPECT_TRUE(check.Passed());
    EXPECT_EQ(check.expected, 3u);
    // 16 beats: 4 s + 8 x 60/140 s after the start.
    EXPECT_NEAR(standin::Seconds(check.verdicts[1].due - At(0)), 7.428571, 1e-6);
    EXPECT_EQ(check.verdicts[2].due, At(8500)) << "clip 2 starts at the tempo given with it";

    record.arrivals[1].message.arrival = At(7433);
    EXPECT_TRUE(CheckMessages(record, expectations).verdicts[1].late) << "4 ms after its moment";
}

TEST(Cues, AreClipStartsTestPressesAndFrameGapsInTimeOrder)
{
    RunRecord record;
    record.clipStarts = {ClipStart{At(0), 0}, ClipStart{At(3000), 188}};
    for (int ms = 0; ms < 3100; ms += 16)
        record.frames.push_back(At(ms));
    // The plug-in sees clip 1 start in its second frame, clip 2 in its first.
    record.marks = {
        PluginStart(16),   Mark{At(20), Mark::Source::Test},
        PluginStart(1400), Mark{At(1800), Mark::Source::ProcessOpenGL},
        PluginStart(3000),
    };
    const std::vector<Cue> cues = standin::FindCues(record);
    ASSERT_EQ(cues.size(), 4u);
    const std::vector<std::pair<Cue::Kind, Clock::time_point>> expected = {
        {Cue::Kind::ClipStart, At(0)},
        {Cue::Kind::Test, At(20)},
        {Cue::Kind::FrameGap, At(1800)},
        {Cue::Kind::ClipStart, At(3000)},
    };
    for (std::size_t i = 0; i < cues.size(); ++i)
    {
        EXPECT_EQ(cues[i].kind, expected[i].first) << i;
        EXPECT_EQ(cues[i].at, expected[i].second) << i;
    }
    EXPECT_EQ(cues[2].clip, 1u);
    EXPECT_EQ(cues[3].clip, 2u);
    EXPECT_EQ(standin::FindStrayStarts(record), std::vector<Clock::time_point>{At(1400)});
}

} // namespace
