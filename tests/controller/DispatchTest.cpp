#include "controller/LayerMessages.h"
#include "controller/PortText.h"
#include "tests/controller/ControllerFixture.h"
#include "tools/testhost/OscReceiver.h"

#include <gmock/gmock.h>

#include <array>
#include <limits>
#include <memory>
#include <string>

namespace
{
using vdrxtest::ControllerTest;
using P = VendrolixPro;

class Dispatch : public ControllerTest
{
protected:
    void Start()
    {
        plugin.SetTime(5.0);
        plugin.SetTime(0.0);
        ASSERT_EQ(Status(), "started @ t=0.000");
    }
};

// The address of a message encoded for the layer, as liblo reads it.
std::string AddressFor(std::int32_t layer)
{
    std::array<std::uint8_t, 128> room{};
    testhost::ReceivedOsc decoded;
    decoded.bytes.assign(room.begin(), room.begin() + static_cast<std::ptrdiff_t>(
                                                          EncodeNextClipMessage(room, layer)));
    testhost::DecodeWithLiblo(decoded);
    return decoded.address;
}

TEST(LayerMessages, LayerAddressesAndPortParsing)
{
    EXPECT_EQ(AddressFor(0), "/composition/selectedlayer/connectnextclip");
    EXPECT_EQ(AddressFor(-4), "/composition/selectedlayer/connectnextclip");
    EXPECT_EQ(AddressFor(12), "/composition/layers/12/connectnextclip");
    std::array<std::uint8_t, 8> tooSmall{};
    EXPECT_EQ(EncodeNextClipMessage(tooSmall, 1), 0u) << "nothing written past the room";
    EXPECT_EQ(ParsePort("9000", 7000), 9000);
    EXPECT_EQ(ParsePort(" 9000abc", 7000), 9000);
    EXPECT_EQ(ParsePort("65535", 7000), 65535);
    for (const char* bad : {"abc", "", "0", "-5", "70000", "99999999999"})
        EXPECT_EQ(ParsePort(bad, 7000), 7000) << bad;
}

TEST_F(Dispatch, BothMessagesDueTogetherGoOutInOneJobOncePerSequence)
{
    plugin.SetFloatParameter(P::NextClip, 1.0f);
    Start();
    Frame();
    EXPECT_EQ(Status(), "T3.0s|N3.0s|Mno");
    FramesFor(2950);
    EXPECT_EQ(Status(), "T0.1s|N0.1s|Mno");
    EXPECT_EQ(JobCount(), 0u);

    FramesFor(50);
    ASSERT_EQ(JobCount(), 1u);
    const vdrxtest::RecordedJob job = LastJob();
    ASSERT_TRUE(job.Sends(kTransition));
    ASSERT_TRUE(job.Sends(kNextClip));
    EXPECT_FALSE(job.Sends(kFreeText));
    EXPECT_EQ(job.Message(kTransition)->address, "/composition/selectedlayer/transition/duration");
    EXPECT_EQ(job.Message(kTransition)->values,
              (std::vector<testhost::OscValue>{std::string("a"), 1.5f}));
    EXPECT_EQ(job.Message(kNextClip)->address, "/composition/selectedlayer/connectnextclip");
    EXPECT_EQ(job.Message(kNextClip)->values, std::vector<testhost::OscValue>{std::int32_t{1}});
    EXPECT_EQ(job.host, "127.0.0.1");
    EXPECT_EQ(job.port, 7000);
    EXPECT_EQ(Status(), "Tok|Nok|Mno");

    FramesFor(5000);
    EXPECT_EQ(JobCount(), 1u) << "each message once per sequence";

    plugin.SetTime(8.0);
    plugin.SetTime(0.0); // the clip restarts: the flags clear
    Frame();
    EXPECT_EQ(Status(), "T3.0s|N3.0s|Mno");
    FramesFor(3000);
    EXPECT_EQ(JobCount(), 2u);
}

TEST_F(Dispatch, DueMeansWholeMillisecondsReachedTheDelay)
{
    plugin.SetFloatParameter(P::Layer, 12.0f);
    plugin.SetFloatParameter(P::Duration, 10.0f);
    plugin.SetTextParameter(P::OscPort, " 9000abc");
    plugin.DispatchCommands(2.9996, false);
    vdrxtest::TakeScheduled();
    EXPECT_EQ(JobCount(), 0u) << "2999 ms";
    plugin.DispatchCommands(3.0, false);
    vdrxtest::TakeScheduled();
    ASSERT_EQ(JobCount(), 1u);
    const vdrxtest::RecordedJob job = LastJob();
    ASSERT_TRUE(job.Sends(kTransition));
    EXPECT_EQ(job.Message(kTransition)->address, "/composition/layers/12/transition/duration");
    EXPECT_EQ(job.Message(kTransition)->values,
              (std::vector<testhost::OscValue>{std::string("a"), 10.0f}));
    EXPECT_EQ(job.port, 9000);
}

TEST_F(Dispatch, NothingDueLeavesStatusAndSerialAlone)
{
    const float serialBefore = plugin.GetFloatParameter(P::Status);
    plugin.DispatchCommands(1.0, false);
    EXPECT_EQ(Status(), "idle");
    EXPECT_EQ(plugin.GetFloatParameter(P::Status), serialBefore);
    EXPECT_EQ(plugin.GetNumPendingEvents(), 0u);
}

TEST_F(Dispatch, ForcedDispatchOfAllThreeShowsSendTnm)
{
    plugin.SetFloatParameter(P::NextClip, 1.0f);
    std::string longText = "/x/y s " + std::string(293, 'q');
    plugin.SetTextParameter(P::OscMsg, longText.c_str());
    PressTest();
    EXPECT_EQ(Status(), "SEND TNM");
    ASSERT_EQ(JobCount(), 1u);
    const vdrxtest::RecordedJob job = LastJob();
    EXPECT_TRUE(job.Sends(kTransition) && job.Sends(kNextClip));
    ASSERT_TRUE(job.Sends(kFreeText));
    EXPECT_EQ(job.Message(kFreeText)->values, std::vector<testhost::OscValue>{longText.substr(7)})
        << "the text travels whole, not cut to 255";

    plugin.DispatchCommands(0.0, true);
    vdrxtest::TakeScheduled();
    EXPECT_EQ(JobCount(), 1u) << "scheduled flags hold even against force";
}

TEST_F(Dispatch, TestSendsOnlyWhatIsEnabledAtOnceAndLeavesTheSequenceStopped)
{
    PressTest();
    EXPECT_EQ(vdrxtest::logLines, std::vector<std::string>{"VendrolixOSC: Test pressed"});
    ASSERT_EQ(JobCount(), 1u);
    EXPECT_TRUE(LastJob().Sends(kTransition));
    EXPECT_FALSE(LastJob().Sends(kNextClip));
    EXPECT_FALSE(LastJob().Sends(kFreeText));
    EXPECT_EQ(Status(), "SEND T--");

    FramesFor(4000);
    EXPECT_EQ(JobCount(), 1u) << "stopped: no timed dispatch";
    EXPECT_EQ(Status(), "Tok|Nno|Mno") << "sent flags keep showing ok while idle";

    plugin.SetFloatParameter(P::Test, 0.0f);
    vdrxtest::TakeScheduled();
    EXPECT_EQ(JobCount(), 1u) << "0 does not fire";
    PressTest();
    plugin.SetFloatParameter(P::Test, std::numeric_limits<float>::quiet_NaN());
    vdrxtest::TakeScheduled();
    EXPECT_EQ(JobCount(), 3u) << "each press is its own";
}

TEST_F(Dispatch, CancelRemovesExactlyWhatWaitsAndASettingChangeReachesAWaitingMessage)
{
    plugin.SetFloatParameter(P::Delay, 500.0f);
    Start();
    FramesFor(480); // the frame before: scheduled for its deadline
    ASSERT_EQ(vdrxtest::testQueue.Waiting(), 1u);
    plugin.SetTextParameter(P::OscPort, "9001"); // a setting it depends on
    EXPECT_EQ(vdrxtest::testQueue.Waiting(), 0u) << "taken back";
    FramesFor(32);
    ASSERT_EQ(JobCount(), 1u);
    EXPECT_EQ(LastJob().port, 9001) << "it goes with the new port, never the old";

    plugin.SetTime(9.0);
    plugin.SetTime(0.0);
    FramesFor(480);
    ASSERT_EQ(vdrxtest::testQueue.Waiting(), 1u);
    plugin.SetFloatParameter(P::LayerTrans, 0.0f);
    FramesFor(100);
    EXPECT_EQ(JobCount(), 1u) << "switched off while waiting: not at all";
}

TEST_F(Dispatch, TheBoundsAreCountedOnTheQueue)
{
    // Four waiting for one instance, and the process's room shared by all.
    plugin.SetFloatParameter(P::NextClip, 1.0f);
    plugin.SetTextParameter(P::OscMsg, "/cue");
    plugin.SetFloatParameter(P::Delay, 900000.0f);
    plugin.SetFloatParameter(P::DelayNextClip, 900000.0f);
    plugin.SetFloatParameter(P::MessageDelay, 900000.0f);
    Start();
    plugin.DispatchCommands(0.0, false, 900000000);
    EXPECT_EQ(vdrxtest::testQueue.Waiting(), 3u);

    std::vector<std::unique_ptr<VendrolixPro>> others;
    for (int i = 0; i < 21; ++i)
    {
        auto other = std::make_unique<VendrolixPro>();
        other->SetFloatParameter(P::Delay, 900000.0f);
        other->SetFloatParameter(P::NextClip, 1.0f);
        other->SetFloatParameter(P::DelayNextClip, 900000.0f);
        other->SetTextParameter(P::OscMsg, "/cue");
        other->SetFloatParameter(P::MessageDelay, 900000.0f);
        other->SetTime(5.0);
        other->SetTime(0.0);
        other->DispatchCommands(0.0, false, 900000000);
        others.push_back(std::move(other));
    }
    EXPECT_EQ(vdrxtest::testQueue.Waiting(), SendQueue::kCapacity) << "the 65th is refused";
    VendrolixPro& refused = *others.back();
    refused.ProcessOpenGL(nullptr);
    EXPECT_THAT(std::string(refused.GetParameterDisplay(P::Status)),
                ::testing::MatchesRegex("T.*\\|Nerr\\|Merr"));
    EXPECT_NE(std::find(vdrxtest::logLines.begin(), vdrxtest::logLines.end(),
                        "VendrolixOSC: next clip not sent to 127.0.0.1:7000: too many messages "
                        "are waiting"),
              vdrxtest::logLines.end());
    others.front().reset(); // deleting an instance takes its messages back
    EXPECT_EQ(vdrxtest::testQueue.Waiting(), SendQueue::kCapacity - 3);
}

// A press a fraction of a millisecond after a frame that scheduled three due messages, which the
// scheduler has not taken yet: they are on their way and hold none of the instance's four places.
TEST_F(Dispatch, MessagesWhoseMomentHasComeHoldNoPlaceSoAPressRightAfterAFrameSendsAll)
{
    plugin.SetFloatParameter(P::NextClip, 1.0f);
    plugin.SetTextParameter(P::OscMsg, "/cue");
    for (const P::Parameter delay : {P::Delay, P::DelayNextClip, P::MessageDelay})
        plugin.SetFloatParameter(delay, 0.0f);
    Start();
    const ffgl::FrameDataRecord noInputs{0, nullptr};
    plugin.ProcessOpenGL(&noInputs);
    ASSERT_EQ(vdrxtest::testQueue.Waiting(), 3u);
    vdrxtest::logLines.clear();
    plugin.SetFloatParameter(P::Test, 1.0f);
    EXPECT_EQ(vdrxtest::testQueue.Waiting(), 6u) << "the frame's three and the press's three";
    Frame();
    EXPECT_EQ(Status(), "Tok|Nok|Mok");
    EXPECT_EQ(vdrxtest::logLines, std::vector<std::string>{"VendrolixOSC: Test pressed"});
}

TEST_F(Dispatch, StartsAndFramesRaiseValueChangedOnStatusAndDuration)
{
    Start();
    ffgl::ParameterEventEntry entries[12]{};
    ASSERT_EQ(plugin.TakeEvents(entries, 12), 2u);
    EXPECT_EQ(entries[0].index, P::Duration);
    EXPECT_EQ(entries[0].bits, 0x4u);
    EXPECT_EQ(entries[1].index, P::Status);
    EXPECT_EQ(entries[1].bits, 0x4u);

    const float before = plugin.GetFloatParameter(P::Status);
    Frame();
    ASSERT_EQ(plugin.TakeEvents(entries, 12), 1u);
    EXPECT_EQ(entries[0].index, P::Status);
    EXPECT_NE(plugin.GetFloatParameter(P::Status), before) << "the serial's parity flips";
}

} // namespace
