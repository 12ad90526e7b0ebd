// The plug-in as a host meets it: the built library loaded with dlopen, a real OpenGL 4.1 core
// context (EGL, llvmpipe), and the datagrams caught on 127.0.0.1 and decoded by liblo.
#include "tests/ffgl/LoadedPlugin.h"
#include "tools/testhost/GlContext.h"
#include "tools/testhost/GlPixels.h"
#include "tools/testhost/OscReceiver.h"
#include "tools/testhost/ParameterIndex.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <variant>

namespace
{
using namespace std::chrono_literals;
using testhost::OscReceiver;
using testhost::ReceivedOsc;
using vdrxtest::HostLogLines;
using vdrxtest::LoadedPlugin;

class ControllerEndToEnd : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        std::string error;
        context = testhost::CreateEglContext(error).release();
        ASSERT_NE(context, nullptr) << error;
    }

    void SetUp() override
    {
        ASSERT_NE(context, nullptr);
        LoadedPlugin().SetLogCallback(&vdrxtest::CollectHostLog);
        instance = LoadedPlugin().InstantiateGL(testhost::ViewportIn{0, 0, 64, 32});
        ASSERT_NE(instance, nullptr);
        const std::string port = std::to_string(receiver.Port());
        ASSERT_EQ(LoadedPlugin().SetParameter(instance, testhost::OscPortIndex, port.c_str()),
                  testhost::kOk);
    }

    void TearDown() override
    {
        if (instance)
            LoadedPlugin().DeinstantiateGL(instance);
        LoadedPlugin().SetLogCallback(nullptr);
    }

    void Frame()
    {
        const testhost::FrameIn noInputs{0, 0, nullptr};
        ASSERT_EQ(LoadedPlugin().ProcessOpenGL(instance, noInputs), testhost::kOk);
    }

    std::string Status() const
    {
        return LoadedPlugin().GetParameterDisplay(instance, testhost::StatusIndex);
    }

    ReceivedOsc Receive()
    {
        auto message = receiver.Receive(5s);
        if (!message)
            ADD_FAILURE() << "no datagram arrived";
        return message ? *message : ReceivedOsc{};
    }

    static inline testhost::GlContext* context = nullptr;
    OscReceiver receiver;
    void* instance = nullptr;
};

TEST_F(ControllerEndToEnd, GlInstanceStartsFromTheRegisteredDefaults)
{
    const float expected[] = {1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    for (std::uint32_t i = 0; i < 10; ++i)
    {
        if (i != testhost::OscMsgIndex)
        {
            EXPECT_EQ(LoadedPlugin().GetFloatParameter(instance, i), expected[i]) << i;
        }
    }
    EXPECT_EQ(LoadedPlugin().GetTextParameter(instance, testhost::OscHostIndex), "127.0.0.1");
    EXPECT_EQ(LoadedPlugin().GetTextParameter(instance, testhost::OscMsgIndex), "");
    EXPECT_STREQ(LoadedPlugin().GetParameterDisplay(instance, testhost::DelayIndex), "0.0s");
    EXPECT_STREQ(LoadedPlugin().GetParameterDisplay(instance, testhost::LayerTransIndex),
                 "1.000000");
    EXPECT_STREQ(LoadedPlugin().GetParameterDisplay(instance, testhost::DurationIndex), "1.000000");
    EXPECT_EQ(Status(), "idle");
    Frame();
    EXPECT_EQ(Status(), "T0.0s|Nno|Mno");
}

TEST_F(ControllerEndToEnd, UntouchedInstanceSendsTheDurationOnTheFirstFrameAfterAStart)
{
    LoadedPlugin().SetTime(instance, 5.0);
    LoadedPlugin().SetTime(instance, 0.0);
    EXPECT_EQ(Status(), "started @ t=0.000");
    const auto events = LoadedPlugin().GetParameterEvents(instance);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].parameter, testhost::DurationIndex);
    EXPECT_EQ(events[1].parameter, testhost::StatusIndex);
    EXPECT_EQ(events[1].bits, 0x4u);

    Frame();
    const ReceivedOsc message = Receive();
    EXPECT_EQ(message.address, "/composition/selectedlayer/transition/duration");
    EXPECT_EQ(message.types, "sf");
    ASSERT_EQ(message.values.size(), 2u);
    EXPECT_EQ(std::get<std::string>(message.values[0]), "a");
    EXPECT_EQ(std::get<float>(message.values[1]), 1.0f);
    EXPECT_EQ(Status(), "Tok|Nno|Mno");
}

TEST_F(ControllerEndToEnd, DurationMessageBytesAreExact)
{
    LoadedPlugin().SetParameter(instance, testhost::DurationIndex, 0.5f);
    LoadedPlugin().SetParameter(instance, testhost::TestIndex, 1.0f);
    const ReceivedOsc message = Receive();
    const std::vector<std::uint8_t> expected = {
        0x2F, 0x63, 0x6F, 0x6D, 0x70, 0x6F, 0x73, 0x69, 0x74, 0x69, 0x6F, 0x6E, 0x2F, 0x73, 0x65,
        0x6C, 0x65, 0x63, 0x74, 0x65, 0x64, 0x6C, 0x61, 0x79, 0x65, 0x72, 0x2F, 0x74, 0x72, 0x61,
        0x6E, 0x73, 0x69, 0x74, 0x69, 0x6F, 0x6E, 0x2F, 0x64, 0x75, 0x72, 0x61, 0x74, 0x69, 0x6F,
        0x6E, 0x00, 0x00, 0x2C, 0x73, 0x66, 0x00, 0x61, 0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x00};
    EXPECT_EQ(message.bytes, expected);
}

TEST_F(ControllerEndToEnd, TestSendsEveryEnabledMessageAtOnceInOrder)
{
    LoadedPlugin().SetParameter(instance, testhost::NextClipIndex, 1.0f);
    LoadedPlugin().SetParameter(instance, testhost::LayerIndex, 2.0f);
    LoadedPlugin().SetParameter(instance, testhost::DelayIndex, 60000.0f);
    LoadedPlugin().SetParameter(instance, testhost::OscMsgIndex, "/x/y i 3\r\n");
    HostLogLines().clear();

    LoadedPlugin().SetParameter(instance, testhost::TestIndex, 1.0f);
    EXPECT_EQ(HostLogLines(), std::vector<std::string>{"VendrolixOSC: Test pressed"});
    EXPECT_EQ(Status(), "SEND TNM");

    const ReceivedOsc first = Receive();
    const ReceivedOsc second = Receive();
    const ReceivedOsc third = Receive();
    EXPECT_EQ(first.address, "/composition/layers/2/transition/duration");
    EXPECT_EQ(second.address, "/composition/layers/2/connectnextclip");
    EXPECT_EQ(second.types, "i");
    ASSERT_EQ(second.values.size(), 1u);
    EXPECT_EQ(std::get<std::int32_t>(second.values[0]), 1);
    EXPECT_EQ(third.address, "/x/y");
    EXPECT_EQ(third.types, "i");
    ASSERT_EQ(third.values.size(), 1u);
    EXPECT_EQ(std::get<std::int32_t>(third.values[0]), 3);

    Frame();
    EXPECT_EQ(Status(), "Tok|Nok|Mok") << "the sequence stays stopped, the flags show ok";
    EXPECT_FALSE(receiver.Receive(200ms)) << "nothing more was due";
}

TEST_F(ControllerEndToEnd, FrameDrawsTheInputUnchanged)
{
    const testhost::RgbaImage input = testhost::GradientImage(64, 32);
    testhost::RgbaTexture texture(input);
    testhost::RenderTarget target(64, 32);
    ASSERT_TRUE(target.IsComplete());
    testhost::TextureIn record{64, 32, 64, 32, texture.Name()};
    testhost::TextureIn* inputs[] = {&record};
    const testhost::FrameIn frame{1, 0, inputs};
    ASSERT_EQ(LoadedPlugin().ProcessOpenGL(instance, frame), testhost::kOk);
    const testhost::RgbaImage output = target.Read();
    EXPECT_TRUE(output.pixels == input.pixels);
}

} // namespace
