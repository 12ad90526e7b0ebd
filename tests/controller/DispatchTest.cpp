#include "controller/LayerMessages.h"
#include "controller/PortText.h"
#include "tests/controller/ControllerFixture.h"

#include <limits>
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

TEST(SendJobHelpers, LayerAddressAndPortParsing)
{
    EXPECT_EQ(LayerAddress(0), "/composition/selectedlayer");
    EXPECT_EQ(LayerAddress(-4), "/composition/selectedlayer");
    EXPECT_EQ(LayerAddress(12), "/composition/layers/12");
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
    EXPECT_EQ(job.Message(kTransition)->strings, std::vector<std::string>{"a"});
    EXPECT_EQ(job.Message(kTransition)->floats, std::vector<float>{1.5f});
    EXPECT_EQ(job.Message(kNextClip)->address, "/composition/selectedlayer/connectnextclip");
    EXPECT_EQ(job.Message(kNextClip)->ints, std::vector<std::int32_t>{1});
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
    EXPECT_EQ(JobCount(), 0u) << "2999 ms";
    plugin.DispatchCommands(3.0, false);
    ASSERT_EQ(JobCount(), 1u);
    const vdrxtest::RecordedJob job = LastJob();
    ASSERT_TRUE(job.Sends(kTransition));
    EXPECT_EQ(job.Message(kTransition)->address, "/composition/layers/12/transition/duration");
    EXPECT_EQ(job.Message(kTransition)->floats, std::vector<float>{10.0f});
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
    plugin.SetFloatParameter(P::Test, 1.0f);
    EXPECT_EQ(Status(), "SEND TNM");
    ASSERT_EQ(JobCount(), 1u);
    const vdrxtest::RecordedJob job = LastJob();
    EXPECT_TRUE(job.Sends(kTransition) && job.Sends(kNextClip));
    ASSERT_TRUE(job.Sends(kFreeText));
    EXPECT_EQ(job.Message(kFreeText)->strings, std::vector<std::string>{longText.substr(7)})
        << "the text travels whole, not cut to 255";

    plugin.DispatchCommands(0.0, true);
    EXPECT_EQ(JobCount(), 1u) << "sent flags hold even against force";
}

TEST_F(Dispatch, TestSendsOnlyWhatIsEnabledAtOnceAndLeavesTheSequenceStopped)
{
    plugin.SetFloatParameter(P::Test, 1.0f);
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
    EXPECT_EQ(JobCount(), 1u) << "0 does not fire";
    plugin.SetFloatParameter(P::Test, 1.0f);
    plugin.SetFloatParameter(P::Test, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(JobCount(), 3u) << "each press is its own job";
}

TEST_F(Dispatch, ThreadThatCannotStartIsRetriedByAFewFramesThenFails)
{
    InstallSenderThreadStart(&vdrxtest::FailToStart);
    Start();
    EXPECT_NO_THROW(FramesFor(2952));
    EXPECT_NO_THROW(FramesFor(16)); // due within the next two frames: the first try
    FramesFor(16);
    EXPECT_EQ(Status(), "T0.1s|Nno|Mno") << "still pending after two tries";
    InstallSenderThreadStart(&vdrxtest::RecordJob);
    FramesFor(16);
    ASSERT_EQ(JobCount(), 1u) << "the third try starts";
    EXPECT_TRUE(LastJob().Sends(kTransition));
    EXPECT_EQ(Status(), "Tok|Nno|Mno");

    InstallSenderThreadStart(&vdrxtest::FailToStart);
    plugin.SetTime(9.0);
    plugin.SetTime(0.0);
    FramesFor(3000);
    FramesFor(100);
    EXPECT_EQ(Status(), "Terr|Nno|Mno") << "three tries, then failed, not retried for ever";
    EXPECT_EQ(vdrxtest::logLines.back(), "VendrolixOSC: transition duration not sent to "
                                         "127.0.0.1:7000: no sender thread can be started");
    InstallSenderThreadStart(&vdrxtest::RecordJob);
    FramesFor(100);
    EXPECT_EQ(JobCount(), 1u) << "a failed message is not sent again in its sequence";
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
