// Settings from the command line, checked against the parameters the plug-in declares.
#include "tools/standin/ParameterAssignment.h"
#include "tools/standin/UsageError.h"

#include <gtest/gtest.h>

namespace
{
using standin::ParameterTable;
using standin::ResolveAssignment;
using standin::UsageError;

const ParameterTable kTable = {
    {0, "LayerTrans", standin::kSwitchType, 1.0f, "", 0.0f, 1.0f},
    {2, "Delay", standin::kStandardType, 1.0f, "", 0.0f, 900000.0f},
    {5, "OSC Msg", standin::kTextType, 0.0f, "", 0.0f, 1.0f},
    {7, "Test", standin::kEventType, 0.0f, "", 0.0f, 1.0f},
    {9, "Layer (0=sel)", standin::kStandardType, 0.0f, "", 0.0f, 64.0f},
    {12, "Layer", standin::kStandardType, 0.0f, "", 0.0f, 64.0f},
};

TEST(ParameterAssignment, NamesAndTextsMayHoldEqualsSigns)
{
    const auto layer = ResolveAssignment(kTable, "Layer (0=sel)=3");
    EXPECT_EQ(layer.parameter->index, 9u);
    EXPECT_EQ(layer.value, 3.0f);

    const auto shorter = ResolveAssignment(kTable, "Layer=4");
    EXPECT_EQ(shorter.parameter->index, 12u);

    const auto text = ResolveAssignment(kTable, "OSC Msg=/x/y s a=b ");
    EXPECT_EQ(text.parameter->index, 5u);
    EXPECT_EQ(text.text, "/x/y s a=b ");
}

TEST(ParameterAssignment, ValuesFollowTheParameterType)
{
    EXPECT_EQ(ResolveAssignment(kTable, "LayerTrans=off").value, 0.0f);
    EXPECT_EQ(ResolveAssignment(kTable, "LayerTrans=on").value, 1.0f);
    EXPECT_EQ(ResolveAssignment(kTable, "Delay=900000").value, 900000.0f);
    EXPECT_EQ(ResolveAssignment(kTable, "Delay=0").value, 0.0f);
    EXPECT_THROW(ResolveAssignment(kTable, "Delay=900000.5"), UsageError);
    EXPECT_THROW(ResolveAssignment(kTable, "Delay=-1"), UsageError);
    EXPECT_THROW(ResolveAssignment(kTable, "Delay=1.5s"), UsageError);
    EXPECT_THROW(ResolveAssignment(kTable, "LayerTrans=0.7"), UsageError);
    EXPECT_THROW(ResolveAssignment(kTable, "Test=1"), UsageError);
}

TEST(ParameterAssignment, UnknownNamesAreRefusedWithTheListOfNames)
{
    try
    {
        ResolveAssignment(kTable, "delay=5");
        FAIL() << "a name in the wrong case was taken";
    }
    catch (const UsageError& error)
    {
        EXPECT_STREQ(error.what(),
                     "unknown parameter \"delay\"; the plug-in has \"LayerTrans\", "
                     "\"Delay\", \"OSC Msg\", \"Test\", \"Layer (0=sel)\", \"Layer\"");
    }
    EXPECT_THROW(ResolveAssignment(kTable, "Delay"), UsageError);
}

} // namespace
