#include "tests/controller/ControllerFixture.h"

#include <cmath>
#include <limits>
#include <string>

namespace
{
using vdrxtest::ControllerTest;
using P = VendrolixPro;

class Parameters : public ControllerTest
{
protected:
    float SetAndRead(std::uint32_t index, float value)
    {
        EXPECT_EQ(plugin.SetFloatParameter(index, value), ffgl::kSuccess);
        return plugin.GetFloatParameter(index);
    }
};

TEST_F(Parameters, DelaysAreStoredToTheNearestHundredMillisecondsWithinTheirRange)
{
    for (std::uint32_t index : {0u + P::Delay, 0u + P::DelayNextClip, 0u + P::MessageDelay})
    {
        EXPECT_EQ(SetAndRead(index, 149.4f), 100.0f);
        EXPECT_EQ(SetAndRead(index, 149.6f), 200.0f);
        EXPECT_EQ(SetAndRead(index, 50.0f), 100.0f);
        EXPECT_EQ(SetAndRead(index, 49.0f), 0.0f);
        EXPECT_EQ(SetAndRead(index, 899960.0f), 900000.0f);
        EXPECT_EQ(SetAndRead(index, 5e9f), 900000.0f);
        EXPECT_EQ(SetAndRead(index, -5.0f), 0.0f);
        EXPECT_EQ(SetAndRead(index, std::numeric_limits<float>::quiet_NaN()), 0.0f);
    }
}

TEST_F(Parameters, DurationIsSecondsStoredAsMillisecondsToTheNearestHundred)
{
    EXPECT_FLOAT_EQ(SetAndRead(P::Duration, 1.26f), 1.3f);
    EXPECT_EQ(SetAndRead(P::Duration, 10.0f), 10.0f);
    EXPECT_EQ(SetAndRead(P::Duration, 25.0f), 10.0f);
    EXPECT_EQ(SetAndRead(P::Duration, 0.04f), 0.0f);
    EXPECT_EQ(SetAndRead(P::Duration, -1.0f), 0.0f);
    EXPECT_EQ(SetAndRead(P::Duration, std::numeric_limits<float>::infinity()), 10.0f);
    EXPECT_EQ(SetAndRead(P::Duration, std::numeric_limits<float>::quiet_NaN()), 0.0f);
}

TEST_F(Parameters, LayerIsAWholeNumberUpTo64AndSwitchesTurnOnAtOneHalf)
{
    EXPECT_EQ(SetAndRead(P::Layer, 2.5f), 3.0f);
    EXPECT_EQ(SetAndRead(P::Layer, 70.0f), 64.0f);
    EXPECT_EQ(SetAndRead(P::Layer, -3.0f), 0.0f);
    EXPECT_EQ(SetAndRead(P::LayerTrans, 0.49f), 0.0f);
    EXPECT_EQ(SetAndRead(P::LayerTrans, 0.5f), 1.0f);
    EXPECT_EQ(SetAndRead(P::NextClip, 7.0f), 1.0f);
    EXPECT_EQ(SetAndRead(P::NextClip, std::numeric_limits<float>::quiet_NaN()), 0.0f);
}

TEST_F(Parameters, TextIndexesAndUnknownIndexesRefuseNumbersStatusIgnoresThem)
{
    for (std::uint32_t index : {0u + P::OscMsg, 0u + P::OscHost, 0u + P::OscPort, 13u})
        EXPECT_EQ(plugin.SetFloatParameter(index, 1.0f), ffgl::kFailure) << index;
    const float status = plugin.GetFloatParameter(P::Status);
    EXPECT_EQ(plugin.SetFloatParameter(P::Status, 1.0f), ffgl::kSuccess);
    EXPECT_EQ(plugin.GetFloatParameter(P::Status), status);
    EXPECT_EQ(plugin.SetTextParameter(P::Delay, "x"), ffgl::kFailure);
}

TEST_F(Parameters, ConstructedInstanceHoldsInitialSettingsRegistryHoldsLimitedDefaults)
{
    const float expectedValues[] = {1.0f, 1.5f, 3000.0f, 0.0f, 3000.0f,
                                    0.0f, 0.0f, 0.0f,    0.0f, 0.0f};
    const float expectedDefaults[] = {1.0f, 1.0f, 1.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    const std::uint32_t expectedTypes[] = {0, 10, 10, 0, 10, 100, 10, 1, 10, 10, 100, 100, 0};
    const char* names[] = {"LayerTrans",     "Duration",      "Delay",          "NextClip",
                           "DelayNextClip",  "OSC Msg",       "DlayOSCmsg (s)", "Test",
                           "Status",         "Layer (0=sel)", "OSC Host",       "OSC Port",
                           "Delays in beats"};
    ASSERT_EQ(plugin.GetNumParams(), 13u) << "the twelve, then the one added after them";
    EXPECT_EQ(plugin.GetParamDefault(P::DelaysInBeats).floatValue, 0.0f);
    for (std::uint32_t i = 0; i < 13; ++i)
    {
        EXPECT_STREQ(plugin.GetParamName(i), names[i]);
        EXPECT_EQ(plugin.GetParamType(i), expectedTypes[i]) << i;
    }
    for (std::uint32_t i = 0; i < 10; ++i)
    {
        EXPECT_EQ(plugin.GetFloatParameter(i), expectedValues[i]) << i;
        if (i != P::OscMsg)
        {
            EXPECT_EQ(plugin.GetParamDefault(i).floatValue, expectedDefaults[i]) << i;
        }
    }
    EXPECT_STREQ(static_cast<const char*>(plugin.GetParamDefault(P::OscMsg).pointerValue), "");
    EXPECT_STREQ(static_cast<const char*>(plugin.GetParamDefault(P::OscHost).pointerValue),
                 "127.0.0.1");
    EXPECT_STREQ(static_cast<const char*>(plugin.GetParamDefault(P::OscPort).pointerValue), "7000");

    float minimum = 0.0f;
    float maximum = 0.0f;
    plugin.GetParamRange(P::Delay, minimum, maximum);
    EXPECT_EQ(maximum, 900000.0f);
    plugin.GetParamRange(P::Layer, minimum, maximum);
    EXPECT_EQ(maximum, 64.0f);
    plugin.GetParamRange(P::Duration, minimum, maximum);
    EXPECT_EQ(maximum, 10.0f);
}

TEST_F(Parameters, RegisteredDefaultsGiveTheGlInstanceSettings)
{
    ApplyRegisteredDefaults();
    const float expected[] = {1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    for (std::uint32_t i = 0; i < 10; ++i)
        EXPECT_EQ(plugin.GetFloatParameter(i), expected[i]) << i;
    EXPECT_STREQ(plugin.GetTextParameter(P::OscHost), "127.0.0.1");
    EXPECT_STREQ(plugin.GetTextParameter(P::OscPort), "7000");
    EXPECT_STREQ(plugin.GetTextParameter(P::OscMsg), "");
    EXPECT_TRUE(vdrxtest::logLines.empty()) << "the copied Test default fires nothing";
}

TEST_F(Parameters, DisplayTexts)
{
    EXPECT_EQ(Status(), "idle");
    EXPECT_STREQ(plugin.GetParameterDisplay(P::Delay), "3.0s");
    plugin.SetFloatParameter(P::Delay, 900000.0f);
    EXPECT_STREQ(plugin.GetParameterDisplay(P::Delay), "900.0s");
    plugin.SetFloatParameter(P::MessageDelay, 0.0f);
    EXPECT_STREQ(plugin.GetParameterDisplay(P::MessageDelay), "0.0s");
    EXPECT_STREQ(plugin.GetParameterDisplay(P::LayerTrans), "1.000000");
    plugin.SetFloatParameter(P::Duration, 1.0f);
    EXPECT_STREQ(plugin.GetParameterDisplay(P::Duration), "1.000000");
    plugin.SetTextParameter(P::OscHost, "10.1.2.3");
    EXPECT_STREQ(plugin.GetParameterDisplay(P::OscHost), "10.1.2.3");
    EXPECT_EQ(plugin.GetParamDisplayName(P::Status), "");
}

TEST_F(Parameters, LongTextsAreReadBackWholeSoARestoredCompositionKeepsThem)
{
    std::string text(305, 'x');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char>('a' + i % 26);
    for (const std::uint32_t index : {P::OscMsg, P::OscHost, P::OscPort})
    {
        ASSERT_EQ(plugin.SetTextParameter(index, text.c_str()), ffgl::kSuccess);
        const std::string saved = plugin.GetTextParameter(index);
        EXPECT_EQ(saved, text) << index;
        ASSERT_EQ(plugin.SetTextParameter(index, saved.c_str()), ffgl::kSuccess);
        EXPECT_EQ(std::string(plugin.GetTextParameter(index)), text) << index;
    }
    EXPECT_EQ(plugin.SetTextParameter(P::OscMsg, nullptr), ffgl::kSuccess);
    EXPECT_STREQ(plugin.GetTextParameter(P::OscMsg), "");
    EXPECT_STREQ(plugin.GetTextParameter(P::Delay), "");
}

} // namespace
