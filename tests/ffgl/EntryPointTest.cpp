// The dispatch driven directly, with a plug-in class of the test's own so that construction
// failures, exceptions and call order can be provoked.
#include "ffgl/EntryPoint.h"
#include "ffgl/PluginDescriptor.h"
#include "ffgl/PreviewImage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{
using ffgl::FFMixed;
using ffgl::kFailure;
using ffgl::kSuccess;
using ffgl::MixedFromPointer;
using ffgl::MixedFromUint;

struct ProbeState
{
    int alive = 0;
    int constructed = 0;
    bool throwOnConstruct = false;
    bool failSetFloat = false;
    std::uint32_t connectResult = kSuccess;
    std::vector<std::string> calls;
};
ProbeState probe;

class ProbePlugin : public CFFGLPlugin
{
public:
    ProbePlugin() : CFFGLPlugin(false)
    {
        if (probe.throwOnConstruct)
            throw std::bad_alloc();
        ++probe.alive;
        ++probe.constructed;
        AddParameter(0, "Alpha", ffgl::ParameterType::Standard, 0.25f);
        AddTextParameter(1, "Name", ffgl::ParameterType::Text, "default");
        AddParameter(2, "Beta", ffgl::ParameterType::Boolean, 1.0f);
        SetMaxInputs(1);
    }
    ~ProbePlugin() override { --probe.alive; }

    std::uint32_t SetFloatParameter(std::uint32_t index, float value) override
    {
        probe.calls.push_back("float " + std::to_string(index) + "=" + std::to_string(value));
        return probe.failSetFloat ? kFailure : kSuccess;
    }
    std::uint32_t SetTextParameter(std::uint32_t index, const char* text) override
    {
        probe.calls.push_back("text " + std::to_string(index) + "=" + (text ? text : "(null)"));
        return kSuccess;
    }
    std::uint32_t InitGL(const ffgl::ViewportRecord*) override
    {
        probe.calls.push_back("InitGL");
        return kSuccess;
    }
    std::uint32_t DeInitGL() override
    {
        probe.calls.push_back("DeInitGL");
        return kSuccess;
    }
    std::uint32_t Connect() override
    {
        probe.calls.push_back("Connect");
        return probe.connectResult;
    }
    std::uint32_t Disconnect() override
    {
        probe.calls.push_back("Disconnect");
        return kSuccess;
    }
    std::uint32_t ProcessOpenGL(const ffgl::FrameDataRecord*) override
    {
        probe.calls.push_back("ProcessOpenGL");
        return kSuccess;
    }
    void Raise(std::uint32_t index) { RaiseParameterEvents(index, ffgl::EventBit::ValueChanged); }
};

std::uint32_t CreateProbe(CFFGLPlugin** out)
{
    *out = new ProbePlugin();
    return kSuccess;
}

std::uint32_t CreateNothing(CFFGLPlugin** out)
{
    *out = nullptr;
    return kSuccess;
}

constexpr ffgl::PluginIdentity kIdentity{"PRB1", "A name of exactly 16", 2, 1, 1, 0, 0, "d", "a"};

FFMixed Call(ffgl::FunctionCode code, FFMixed input = MixedFromUint(0), void* instance = nullptr)
{
    return ffgl::PlugMain(static_cast<std::uint32_t>(code), input, instance);
}

class EntryPoint : public ::testing::Test
{
protected:
    void SetUp() override { probe = ProbeState{}; }
    void TearDown() override { Call(ffgl::FunctionCode::Deinitialise); }

    // An instance made without GL: the probe needs none, but the dispatch loads GL entry
    // points, so the tests that need an instance build one directly.
    ProbePlugin* MakeInstance()
    {
        auto* plugin = new ProbePlugin();
        plugin->SetOwner(plugin);
        return plugin;
    }

    ffgl::PluginDescriptor descriptor{&CreateProbe, kIdentity};
};

TEST_F(EntryPoint, FullLengthNameFillsTheFieldWithoutTerminator)
{
    const auto* info =
        static_cast<const ffgl::PluginInfo*>(Call(ffgl::FunctionCode::GetInfo).pointerValue);
    EXPECT_EQ(std::string(info->pluginName, 16), "A name of exactl");
    EXPECT_EQ(std::string(info->uniqueId, 4), "PRB1");
    EXPECT_EQ(probe.constructed, 0) << "GetInfo must not create the prototype";
}

TEST_F(EntryPoint, ExceptionDuringCreationBecomesFailureWithNothingLeftAlive)
{
    probe.throwOnConstruct = true;
    EXPECT_EQ(Call(ffgl::FunctionCode::GetNumParameters).uintValue, kFailure);
    EXPECT_EQ(Call(ffgl::FunctionCode::GetParameterName, MixedFromUint(0)).pointerValue, nullptr);
    EXPECT_EQ(Call(ffgl::FunctionCode::Initialise).uintValue, kFailure);
    const ffgl::ViewportRecord viewport{0, 0, 8, 8};
    EXPECT_EQ(Call(ffgl::FunctionCode::InstantiateGL, MixedFromPointer(&viewport)).uintValue,
              kFailure);
    EXPECT_EQ(probe.alive, 0);

    probe.throwOnConstruct = false;
    EXPECT_EQ(Call(ffgl::FunctionCode::GetNumParameters).uintValue, 3u);
}

TEST_F(EntryPoint, FactoryThatDeliversNothingFailsEveryPrototypeCode)
{
    ffgl::PluginDescriptor empty{&CreateNothing, kIdentity};
    EXPECT_EQ(Call(ffgl::FunctionCode::Initialise).uintValue, kFailure);
    EXPECT_EQ(Call(ffgl::FunctionCode::GetParameterType, MixedFromUint(0)).uintValue, kFailure);
    EXPECT_EQ(Call(ffgl::FunctionCode::GetOptionalText).pointerValue, nullptr);
    ffgl::ElementIndexRecord item{0, 0};
    EXPECT_EQ(Call(ffgl::FunctionCode::GetParameterTextItem, MixedFromPointer(&item)).pointerValue,
              nullptr);
}

TEST_F(EntryPoint, FailedDefaultCopyDestroysTheNewObject)
{
    probe.failSetFloat = true;
    const ffgl::ViewportRecord viewport{0, 0, 8, 8};
    EXPECT_EQ(Call(ffgl::FunctionCode::InstantiateGL, MixedFromPointer(&viewport)).uintValue,
              kFailure);
    EXPECT_EQ(probe.alive, 1) << "only the prototype remains";
    EXPECT_THAT(probe.calls, ::testing::Not(::testing::Contains("InitGL")));
}

TEST_F(EntryPoint, FirstFrameConnectsOnceBeforeProcessingEvenWhenConnectFails)
{
    probe.connectResult = kFailure;
    ProbePlugin* plugin = MakeInstance();
    const ffgl::FrameDataRecord frame{0, nullptr};
    EXPECT_EQ(Call(ffgl::FunctionCode::ProcessOpenGL, MixedFromPointer(&frame), plugin).uintValue,
              kSuccess);
    EXPECT_EQ(Call(ffgl::FunctionCode::ProcessOpenGL, MixedFromPointer(&frame), plugin).uintValue,
              kSuccess);
    EXPECT_THAT(probe.calls, ::testing::ElementsAre("Connect", "ProcessOpenGL", "ProcessOpenGL"));
    EXPECT_EQ(Call(ffgl::FunctionCode::ProcessOpenGL, MixedFromPointer(nullptr), plugin).uintValue,
              kFailure);

    probe.calls.clear();
    EXPECT_EQ(Call(ffgl::FunctionCode::DeinstantiateGL, MixedFromUint(0), plugin).uintValue,
              kSuccess);
    EXPECT_THAT(probe.calls, ::testing::ElementsAre("Disconnect", "DeInitGL"));
    EXPECT_EQ(probe.alive, 0);
}

TEST_F(EntryPoint, ExplicitConnectAndDisconnectFollowTheSlotAnswer)
{
    ProbePlugin* plugin = MakeInstance();
    EXPECT_EQ(Call(ffgl::FunctionCode::Connect, MixedFromUint(0), plugin).uintValue, kSuccess);
    EXPECT_TRUE(plugin->IsConnected());
    EXPECT_EQ(Call(ffgl::FunctionCode::Disconnect, MixedFromUint(0), plugin).uintValue, kSuccess);
    EXPECT_FALSE(plugin->IsConnected());
    probe.calls.clear();
    Call(ffgl::FunctionCode::DeinstantiateGL, MixedFromUint(0), plugin);
    EXPECT_THAT(probe.calls, ::testing::ElementsAre("DeInitGL")) << "not connected: no Disconnect";
}

TEST_F(EntryPoint, SetParameterRoutesByThePrototypeType)
{
    ProbePlugin* plugin = MakeInstance();
    ffgl::SetParameterRecord text{1, MixedFromPointer("abc")};
    ffgl::SetParameterRecord number{0, MixedFromUint(0)};
    number.value.floatValue = 0.75f;
    ffgl::SetParameterRecord unknown{9, MixedFromUint(0)};
    Call(ffgl::FunctionCode::SetParameter, MixedFromPointer(&text), plugin);
    Call(ffgl::FunctionCode::SetParameter, MixedFromPointer(&number), plugin);
    Call(ffgl::FunctionCode::SetParameter, MixedFromPointer(&unknown), plugin);
    EXPECT_THAT(probe.calls,
                ::testing::ElementsAre("text 1=abc", "float 0=0.750000", "float 9=0.000000"));
    EXPECT_EQ(Call(ffgl::FunctionCode::SetParameter, MixedFromPointer(nullptr), plugin).uintValue,
              kFailure);
    delete plugin;
}

TEST_F(EntryPoint, EventsAreHandedOutUpToCapacityInRegistryOrder)
{
    ProbePlugin* plugin = MakeInstance();
    plugin->Raise(2);
    plugin->Raise(0);

    ffgl::ParameterEventsRecord count{0, nullptr};
    Call(ffgl::FunctionCode::GetParameterEvents, MixedFromPointer(&count), plugin);
    EXPECT_EQ(count.count, 2u);

    ffgl::ParameterEventEntry entries[2]{};
    ffgl::ParameterEventsRecord one{1, entries};
    EXPECT_EQ(
        Call(ffgl::FunctionCode::GetParameterEvents, MixedFromPointer(&one), plugin).uintValue,
        kSuccess);
    ASSERT_EQ(one.count, 1u);
    EXPECT_EQ(entries[0].index, 0u);
    EXPECT_EQ(entries[0].bits, 0x4u);

    ffgl::ParameterEventsRecord rest{2, entries};
    Call(ffgl::FunctionCode::GetParameterEvents, MixedFromPointer(&rest), plugin);
    ASSERT_EQ(rest.count, 1u);
    EXPECT_EQ(entries[0].index, 2u);
    delete plugin;
}

TEST_F(EntryPoint, DisplayNameCopyTakesAtMostTheBufferAndWritesNoTerminator)
{
    ProbePlugin* plugin = MakeInstance();
    plugin->SetParameterDisplayName(0, "0123456789", false);
    char buffer[8] = {'#', '#', '#', '#', '#', '#', '#', '#'};
    ffgl::TextRequestRecord request{0, buffer, 3};
    EXPECT_EQ(Call(ffgl::FunctionCode::GetParameterDisplayName, MixedFromPointer(&request), plugin)
                  .uintValue,
              kSuccess);
    EXPECT_EQ(std::string(buffer, 8), "012#####");

    request.bufferSize = 0;
    EXPECT_EQ(Call(ffgl::FunctionCode::GetParameterDisplayName, MixedFromPointer(&request), plugin)
                  .uintValue,
              kFailure);
    delete plugin;
}

TEST_F(EntryPoint, ElementQueriesPreferTheGivenInstance)
{
    ProbePlugin* plugin = MakeInstance();
    ffgl::ElementValueRecord set{0, 0, 4.5f};
    Call(ffgl::FunctionCode::SetParameterElementValue, MixedFromPointer(&set), plugin);
    ffgl::ElementIndexRecord element{0, 0};
    EXPECT_EQ(Call(ffgl::FunctionCode::GetParameterElementValue, MixedFromPointer(&element), plugin)
                  .floatValue,
              4.5f);
    EXPECT_EQ(
        Call(ffgl::FunctionCode::GetParameterElementValue, MixedFromPointer(&element)).floatValue,
        0.0f)
        << "the prototype keeps its own registry";
    ffgl::ElementValueRecord missing{0, 1, 1.0f};
    EXPECT_EQ(Call(ffgl::FunctionCode::SetParameterElementValue, MixedFromPointer(&missing), plugin)
                  .uintValue,
              kFailure);
    delete plugin;
}

TEST_F(EntryPoint, PreviewImageIsCopiedWhenASourceExists)
{
    const std::uint8_t pixels[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const ffgl::PreviewImageSource source{2, 1, pixels};
    ffgl::SetPreviewImageSource(&source);
    std::uint8_t copy[8] = {};
    ffgl::PreviewImageRecord record{0, 0, copy};
    EXPECT_EQ(Call(ffgl::FunctionCode::GetPreviewImage, MixedFromPointer(&record)).uintValue,
              kSuccess);
    ffgl::SetPreviewImageSource(nullptr);
    EXPECT_EQ(record.width, 2u);
    EXPECT_EQ(record.height, 1u);
    EXPECT_EQ(copy[7], 8u);
}

TEST(EntryPointWithoutDescriptor, EveryCodeAnswersItsCannotValue)
{
    EXPECT_EQ(Call(ffgl::FunctionCode::GetInfo).uintValue, kFailure);
    EXPECT_EQ(Call(ffgl::FunctionCode::Initialise).uintValue, kFailure);
    EXPECT_EQ(Call(ffgl::FunctionCode::Deinitialise).uintValue, kFailure);
    EXPECT_EQ(Call(ffgl::FunctionCode::GetParameterName, MixedFromUint(0)).pointerValue, nullptr);
}

} // namespace
