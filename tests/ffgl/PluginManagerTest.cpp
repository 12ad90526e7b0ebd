#include "ffgl/FFGLPluginManager.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
using ffgl::kFailure;

class Registry : public CFFGLPluginManager
{
public:
    Registry() : CFFGLPluginManager(false) {}
};

TEST(PluginManager, StandardDefaultsAreLimitedToUnitRangeOthersKeptAsGiven)
{
    Registry registry;
    registry.AddParameter(0, "high", ffgl::ParameterType::Standard, 2.5f);
    registry.AddParameter(1, "low", ffgl::ParameterType::Standard, -0.5f);
    registry.AddParameter(2, "switch", ffgl::ParameterType::Boolean, 2.5f);
    registry.AddParameter(3, "odd type", 77u, -3.0f);

    EXPECT_EQ(registry.GetParamDefault(0).floatValue, 1.0f);
    EXPECT_EQ(registry.GetParamDefault(1).floatValue, 0.0f);
    EXPECT_EQ(registry.GetParamDefault(2).floatValue, 2.5f);
    EXPECT_EQ(registry.GetParamDefault(3).floatValue, -3.0f);
    EXPECT_EQ(registry.GetParamType(3), 77u);
    EXPECT_EQ(registry.GetParamDefault(4).uintValue, kFailure);
}

TEST(PluginManager, TextDefaultsAnswerAPointerToTheText)
{
    Registry registry;
    registry.AddTextParameter(0, "host", ffgl::ParameterType::Text, "127.0.0.1");
    registry.AddTextParameter(1, "empty", ffgl::ParameterType::TextValued, nullptr);

    EXPECT_STREQ(static_cast<const char*>(registry.GetParamDefault(0).pointerValue), "127.0.0.1");
    EXPECT_STREQ(static_cast<const char*>(registry.GetParamDefault(1).pointerValue), "");
}

TEST(PluginManager, FreshParameterHasOneEmptyElementFlagAndUnitRange)
{
    Registry registry;
    registry.AddParameter(0, "p", ffgl::ParameterType::Standard, 0.5f);

    EXPECT_EQ(registry.GetNumParamElements(0), 1u);
    EXPECT_STREQ(registry.GetParamElementName(0, 0), "");
    EXPECT_EQ(registry.GetParamElementValue(0, 0).floatValue, 0.0f);
    EXPECT_EQ(registry.GetParamElementName(0, 1), nullptr);
    EXPECT_EQ(registry.GetParamElementValue(0, 1).uintValue, kFailure);
    EXPECT_EQ(registry.SetParamElementValue(0, 1, 3.0f), kFailure);
    EXPECT_EQ(registry.SetParamElementValue(0, 0, 3.0f), ffgl::kSuccess);
    EXPECT_EQ(registry.GetParamElementValue(0, 0).floatValue, 3.0f);
    EXPECT_EQ(registry.GetParamFlag(0), 1u);
    EXPECT_EQ(registry.GetParamAttribute(0), 0u);

    float minimum = -1.0f;
    float maximum = -1.0f;
    registry.GetParamRange(0, minimum, maximum);
    EXPECT_EQ(minimum, 0.0f);
    EXPECT_EQ(maximum, 1.0f);
    registry.GetParamRange(9, minimum, maximum);
    EXPECT_EQ(minimum, 0.0f);
    EXPECT_EQ(maximum, 1.0f);
    registry.SetParameterRange(0, -5.0f, 900000.0f);
    registry.GetParamRange(0, minimum, maximum);
    EXPECT_EQ(minimum, -5.0f);
    EXPECT_EQ(maximum, 900000.0f);
}

TEST(PluginManager, MissingIndexAnswersTheNoSuchParameterValues)
{
    Registry registry;
    EXPECT_EQ(registry.GetParamName(0), nullptr);
    EXPECT_EQ(registry.GetParamType(0), kFailure);
    EXPECT_EQ(registry.GetNumParamElements(0), kFailure);
    EXPECT_EQ(registry.GetParamAttribute(0), kFailure);
    EXPECT_EQ(registry.GetParamFlag(0), kFailure);
    EXPECT_EQ(registry.GetNumParamTexts(0), 0u);
    EXPECT_EQ(registry.GetParamTextItem(0, 0), nullptr);
    EXPECT_EQ(registry.GetNumParamValues(0), 0u);
    EXPECT_EQ(registry.GetParamValueItem(0, 0), kFailure);
    EXPECT_EQ(registry.GetParamDisplayName(0), "");
    EXPECT_EQ(registry.GetParamExtraText(0), "");
    registry.SetParameterDisplayName(0, "ignored", true);
    registry.RaiseParameterEvents(0, 0x4);
    EXPECT_EQ(registry.GetNumPendingEvents(), 0u);
}

TEST(PluginManager, DisplayNameRaisesEventOnlyWhenNotifiedAndChanged)
{
    Registry registry;
    registry.AddParameter(0, "p", ffgl::ParameterType::Standard, 0.0f);
    registry.SetParameterDisplayName(0, "abc", false);
    EXPECT_EQ(registry.GetNumPendingEvents(), 0u);
    EXPECT_EQ(registry.GetParamDisplayName(0), "abc");

    registry.SetParameterDisplayName(0, "abc", true);
    EXPECT_EQ(registry.GetNumPendingEvents(), 0u);

    registry.SetParameterDisplayName(0, "abd", true); // same length, one byte differs
    ffgl::ParameterEventEntry entry{};
    ASSERT_EQ(registry.TakeEvents(&entry, 1), 1u);
    EXPECT_EQ(entry.bits, ffgl::EventBit::DisplayNameChanged);

    registry.SetParameterDisplayName(0, "ab", true); // shorter
    EXPECT_EQ(registry.GetNumPendingEvents(), 1u);
}

TEST(PluginManager, RaisedBitsAccumulateAndAreTakenOnceInRegistryOrder)
{
    Registry registry;
    registry.AddParameter(5, "first", ffgl::ParameterType::Standard, 0.0f);
    registry.AddParameter(2, "second", ffgl::ParameterType::Standard, 0.0f);
    registry.RaiseParameterEvents(2, 0x4);
    registry.RaiseParameterEvents(5, 0x4);
    registry.RaiseParameterEvents(5, 0x4);
    registry.RaiseParameterEvents(2, 0x2);
    EXPECT_EQ(registry.GetNumPendingEvents(), 2u);

    ffgl::ParameterEventEntry entries[2]{};
    ASSERT_EQ(registry.TakeEvents(entries, 1), 1u);
    EXPECT_EQ(entries[0].index, 5u);
    EXPECT_EQ(entries[0].bits, 0x4u);
    EXPECT_EQ(registry.GetNumPendingEvents(), 1u);

    ASSERT_EQ(registry.TakeEvents(entries, 2), 1u);
    EXPECT_EQ(entries[0].index, 2u);
    EXPECT_EQ(entries[0].bits, 0x6u);
    EXPECT_EQ(registry.TakeEvents(entries, 2), 0u);
}

TEST(PluginManager, DuplicateIndexAnswersFromTheFirstDefinition)
{
    Registry registry;
    registry.AddParameter(3, "first", ffgl::ParameterType::Boolean, 1.0f);
    registry.AddTextParameter(3, "second", ffgl::ParameterType::Text, "x");
    registry.SetParameterRange(3, 2.0f, 4.0f);

    EXPECT_EQ(registry.GetNumParams(), 2u);
    EXPECT_STREQ(registry.GetParamName(3), "first");
    EXPECT_EQ(registry.GetParamType(3), ffgl::ParameterType::Boolean);
    EXPECT_EQ(registry.GetParamDefault(3).floatValue, 1.0f);
    float minimum = 0.0f;
    float maximum = 0.0f;
    registry.GetParamRange(3, minimum, maximum);
    EXPECT_EQ(minimum, 2.0f);
    EXPECT_EQ(maximum, 4.0f);
}

} // namespace
