// Every function code answered through the built library, loaded as a host loads it.
#include "tests/ffgl/LoadedPlugin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace
{
using testhost::kFail;
using testhost::Mixed;
using testhost::MixedPtr;
using testhost::MixedU32;
using vdrxtest::HostLogLines;
using vdrxtest::LoadedPlugin;

long CreatedLines()
{
    const auto& lines = HostLogLines();
    return std::count(lines.begin(), lines.end(), "Created VendrolixPro");
}

class LoadedLibrary : public ::testing::Test
{
protected:
    void SetUp() override { LoadedPlugin().SetLogCallback(&vdrxtest::CollectHostLog); }
    void TearDown() override { LoadedPlugin().SetLogCallback(nullptr); }
};

TEST_F(LoadedLibrary, InfoRecordsHoldIdentityAtTheirOffsetsWithoutCreatingThePrototype)
{
    LoadedPlugin().Deinitialise();
    const long before = CreatedLines();

    const testhost::InfoRecord* info = LoadedPlugin().GetInfo();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->apiMajor, 2u);
    EXPECT_EQ(info->apiMinor, 1u);
    EXPECT_EQ(std::memcmp(info->id, "VDRX", 4), 0);
    const std::uint8_t name[16] = {'V', 'e', 'n', 'd', 'r', 'o', 'l', 'i',
                                   'x', 'O', 'S', 'C', 0,   0,   0,   0};
    EXPECT_EQ(std::memcmp(info->name, name, 16), 0);
    EXPECT_EQ(info->type, 0u);

    const testhost::ExtendedInfoRecord* extended = LoadedPlugin().GetExtendedInfo();
    ASSERT_NE(extended, nullptr);
    EXPECT_EQ(extended->versionMajor, 1u);
    EXPECT_EQ(extended->versionMinor, 0u);
    EXPECT_STREQ(extended->description,
                 "Vendrolix: after N seconds from clip start, set selected layer transition "
                 "duration and trigger selected layer next clip via OSC.");
    EXPECT_STREQ(extended->about, "Vazezoda FFGL");
    EXPECT_EQ(extended->dataSize, 0u);
    EXPECT_EQ(extended->padding, 0u);
    EXPECT_EQ(extended->data, nullptr);

    EXPECT_EQ(CreatedLines(), before);
}

TEST_F(LoadedLibrary, UnansweredCodesFailWithTheUpperHalfZero)
{
    for (std::uint32_t code :
         {1u, 3u, 11u, 12u, 14u, 24u, 25u, 26u, 27u, 28u, 29u, 30u, 52u, 53u, 1000u, 0xFFFFFFFFu})
    {
        Mixed input = MixedU32(0);
        const Mixed result = LoadedPlugin().Call(code, input);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(result.ptr), 0xFFFFFFFFu) << "code " << code;
    }
}

TEST_F(LoadedLibrary, PerInstanceCodesFailForAZeroInstance)
{
    for (std::uint32_t code :
         {7u, 8u, 9u, 16u, 17u, 19u, 20u, 21u, 22u, 23u, 37u, 38u, 39u, 40u, 46u, 49u, 51u})
    {
        const Mixed result = LoadedPlugin().Call(code, MixedU32(0), nullptr);
        EXPECT_EQ(result.u32, kFail) << "code " << code;
    }
}

TEST_F(LoadedLibrary, NullRecordsAnswerFailureOrNoneAsTheCodeDefines)
{
    for (std::uint32_t code : {18u, 36u, 41u, 42u, 48u, 50u})
        EXPECT_EQ(LoadedPlugin().Call(code, MixedPtr(nullptr)).u32, kFail) << "code " << code;
    for (std::uint32_t code : {35u, 44u})
        EXPECT_EQ(LoadedPlugin().Call(code, MixedPtr(nullptr)).ptr, nullptr) << "code " << code;
}

TEST_F(LoadedLibrary, UnknownParameterIndexGetsTheNoSuchParameterAnswers)
{
    const std::uint32_t beyond = 1000;
    EXPECT_EQ(LoadedPlugin().GetParameterName(beyond), nullptr);
    EXPECT_EQ(LoadedPlugin().GetParameterDefault(beyond).u32, kFail);
    EXPECT_EQ(LoadedPlugin().GetParameterType(beyond), kFail);
    EXPECT_EQ(LoadedPlugin().Call(31, MixedU32(beyond)).u32, kFail);
    EXPECT_EQ(LoadedPlugin().Call(32, MixedU32(beyond)).u32, kFail);
    EXPECT_EQ(LoadedPlugin().Call(43, MixedU32(beyond)).u32, 0u);
    EXPECT_EQ(LoadedPlugin().Call(45, MixedU32(beyond)).u32, kFail);
    EXPECT_EQ(LoadedPlugin().Call(47, MixedU32(beyond)).u32, 0u);

    const testhost::RangeInOut range = LoadedPlugin().GetParameterRange(beyond);
    EXPECT_EQ(range.min, 0.0f);
    EXPECT_EQ(range.max, 1.0f);

    char buffer[4] = {'#', '#', '#', '#'};
    testhost::TextRequestIn request{beyond, 0, buffer, 4, 0};
    EXPECT_EQ(LoadedPlugin().Call(50, MixedPtr(&request)).u32, 0u);
    EXPECT_EQ(std::string(buffer, 4), "####") << "an empty text copies nothing";
    request.size = 0;
    EXPECT_EQ(LoadedPlugin().Call(50, MixedPtr(&request)).u32, kFail);
}

TEST_F(LoadedLibrary, CapabilitiesAndPreviewImage)
{
    EXPECT_EQ(LoadedPlugin().GetPluginCaps(5), 1u);
    EXPECT_EQ(LoadedPlugin().GetPluginCaps(10), 0u);
    EXPECT_EQ(LoadedPlugin().GetPluginCaps(11), 1u);
    EXPECT_EQ(LoadedPlugin().GetPluginCaps(16), 0u);
    EXPECT_EQ(LoadedPlugin().GetPluginCaps(99), 0u);
    EXPECT_EQ(LoadedPlugin().Call(33).ptr, nullptr);

    testhost::PreviewImageInOut preview{7, 9, nullptr};
    EXPECT_EQ(LoadedPlugin().Call(42, MixedPtr(&preview)).u32, kFail);
    EXPECT_EQ(preview.width, 0u);
    EXPECT_EQ(preview.height, 0u);
}

TEST_F(LoadedLibrary, DeinitialiseThenAQueryBuildsAFreshPrototype)
{
    ASSERT_EQ(LoadedPlugin().Initialise(), 0u);
    const long before = CreatedLines();
    EXPECT_EQ(LoadedPlugin().Deinitialise(), 0u);
    LoadedPlugin().GetNumParameters();
    EXPECT_EQ(CreatedLines(), before + 1);
    LoadedPlugin().GetNumParameters();
    EXPECT_EQ(CreatedLines(), before + 1) << "the prototype is made once";

    EXPECT_EQ(LoadedPlugin().Deinitialise(), 0u);
    EXPECT_EQ(LoadedPlugin().Call(18, MixedPtr(nullptr)).u32, kFail);
    EXPECT_EQ(CreatedLines(), before + 1) << "a refused instantiation makes no prototype";
}

TEST_F(LoadedLibrary, HostLogStopsAfterTheCallbackIsCleared)
{
    LoadedPlugin().SetLogCallback(nullptr);
    const auto before = HostLogLines().size();
    LoadedPlugin().Deinitialise();
    LoadedPlugin().Initialise();
    EXPECT_EQ(HostLogLines().size(), before);
}

} // namespace
