#include "ffgl/FFGLPlugin.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace
{

// Holds one float per index, so the default display has something to format.
class FloatPlugin : public CFFGLPlugin
{
public:
    FloatPlugin() : CFFGLPlugin(false)
    {
        AddParameter(0, "value", ffgl::ParameterType::Standard, 0.0f);
        AddTextParameter(1, "text", ffgl::ParameterType::Text, "");
        SetMaxInputs(1);
        SetOwner(this);
    }
    float GetFloatParameter(std::uint32_t) override { return stored; }
    char* GetTextParameter(std::uint32_t) override { return text; }

    float stored = 0.0f;
    char text[8] = "hello";
};

TEST(PluginBase, FreshInstanceHoldsDefaultHostState)
{
    CFFGLPlugin plugin(false);
    EXPECT_EQ(plugin.GetTempo(), 120.0f);
    EXPECT_EQ(plugin.GetBarPhase(), 0.0f);
    EXPECT_FALSE(plugin.IsConnected());
    EXPECT_EQ(plugin.GetHostTime(), 0.0);

    plugin.SetBeatInfo(90.0f, 0.25f);
    EXPECT_EQ(plugin.GetTempo(), 90.0f);
    EXPECT_EQ(plugin.GetBarPhase(), 0.25f);
    plugin.SetHostInfo(nullptr, "7.1");
    EXPECT_EQ(plugin.GetHostName(), "");
    EXPECT_EQ(plugin.GetHostVersion(), "7.1");
}

TEST(PluginBase, DefaultSlotsAnswerFailureUntilReplaced)
{
    CFFGLPlugin plugin(false);
    EXPECT_EQ(plugin.SetFloatParameter(0, 1.0f), ffgl::kFailure);
    EXPECT_EQ(plugin.SetTextParameter(0, "x"), ffgl::kFailure);
    EXPECT_EQ(plugin.ProcessOpenGL(nullptr), ffgl::kFailure);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(plugin.GetTextParameter(0)), ffgl::kFailure);
    EXPECT_EQ(plugin.GetFloatParameter(0), 0.0f);
    EXPECT_EQ(plugin.GetOptionalText(), nullptr);
}

TEST(PluginBase, InputStatusAdmitsOnlyIndexesBelowMaxInputs)
{
    FloatPlugin plugin;
    EXPECT_EQ(plugin.GetInputStatus(0), 1u);
    EXPECT_EQ(plugin.GetInputStatus(1), ffgl::kFailure);
    EXPECT_EQ(plugin.GetInputStatus(std::numeric_limits<std::uint32_t>::max()), ffgl::kFailure);
}

TEST(PluginBase, ResizeReplacesTheViewportStoredByInitGL)
{
    CFFGLPlugin plugin(false);
    const ffgl::ViewportRecord first{0, 0, 640, 480};
    const ffgl::ViewportRecord second{10, 20, 1920, 1080};
    plugin.InitGL(&first);
    EXPECT_EQ(plugin.GetViewport().width, 640u);
    plugin.Resize(&second);
    EXPECT_EQ(plugin.GetViewport().x, 10u);
    EXPECT_EQ(plugin.GetViewport().y, 20u);
    EXPECT_EQ(plugin.GetViewport().width, 1920u);
    EXPECT_EQ(plugin.GetViewport().height, 1080u);
}

TEST(PluginBase, DefaultDisplayFormatsSixDecimalsCutToSixteenCharacters)
{
    FloatPlugin plugin;
    plugin.stored = 0.5f;
    EXPECT_STREQ(plugin.GetParameterDisplay(0), "0.500000");
    plugin.stored = 1234567.0f;
    EXPECT_STREQ(plugin.GetParameterDisplay(0), "1234567.000000");
    plugin.stored = 1e9f;
    EXPECT_STREQ(plugin.GetParameterDisplay(0), "1000000000.00000");
    EXPECT_STREQ(plugin.GetParameterDisplay(1), "hello");
    EXPECT_EQ(plugin.GetParameterDisplay(2), nullptr);
}

} // namespace
