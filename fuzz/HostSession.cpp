#include "fuzz/HostSession.h"

#include "fuzz/CallWatch.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/GlObjectLedger.h"
#include "fuzz/NetworkStandIn.h"
#include "fuzz/ProcessBounds.h"
#include "fuzz/VirtualClock.h"
#include "tools/testhost/FunctionCode.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace hostfuzz
{
namespace
{
using testhost::Mixed;

// Enough for every state the plug-in has, short enough to run many inputs a second.
constexpr int kMostActionsPerInput = 400;

constexpr HostAction kActions[] = {
    &Instantiate,   &Deinstantiate, &Initialise,   &Resize,        &SetParameter, &SetParameter,
    &ReadParameter, &PressTest,     &SetTime,      &SetTime,       &SetBeatInfo,  &ProcessFrame,
    &PlayFrames,    &PlayFrames,    &AdvanceClock, &LetThreadsRun, &TakeEvents,   &RawCode,
};

// The codes that work on an instance, which fail without one.
bool IsInstanceCode(std::uint32_t code)
{
    using namespace testhost;
    for (const std::uint32_t instanceCode :
         {kGetParameterDisplay, kSetParameter, kGetParameter, kGetInputStatus, kProcessOpenGL,
          kDeinstantiateGL, kSetTime, kConnect, kDisconnect, kResize, kSetParameterElementValue,
          kSetBeatInfo, kSetHostInfo, kSetSampleRate, kGetParameterEvents, kEnableCapability,
          kGetParameterDisplayName})
        if (code == instanceCode)
            return true;
    return false;
}

const bool tracing = std::getenv("VDRX_HOST_FUZZ_TRACE") != nullptr;

std::unique_ptr<testhost::GlContext> MakeContext()
{
    // llvmpipe draws on the calling thread and keeps no shader cache thread: the threads the
    // bounds count are the host's and the plug-in's.
    setenv("LP_NUM_THREADS", "0", 0);
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 0);
    std::string error;
    auto context = testhost::CreateEglContext(error);
    if (!context)
        throw std::runtime_error(error);
    return context;
}

template <typename Fn> Fn Export(const testhost::PluginLibrary& plugin, const char* name)
{
    void* symbol = plugin.Symbol(name);
    FUZZ_CHECK(symbol != nullptr);
    Fn fn = nullptr;
    std::memcpy(&fn, &symbol, sizeof fn);
    return fn;
}
} // namespace

HostSession::HostSession(const char* pluginPath) : context(MakeContext()), plugin(pluginPath)
{
    CallWatch::Start();
    plugin.SetLogCallback(&CallWatch::OnLog);
    Export<void (*)(std::int64_t(*)())>(plugin, "vdrxTestSetClock")(&VirtualClock::NowUs);
    VirtualClock::TellMoves(Export<void (*)()>(plugin, "vdrxTestClockMoved"));
    NetworkStandIn::Install(plugin.Symbol("vdrxTestAnswerLookups"));
    gl = std::make_unique<GlHostState>();
    // The first instance loads the plug-in's GL entry points, which the ledger then wraps, and
    // its Test press starts whatever the plug-in keeps for sending.
    const testhost::ViewportIn viewport{0, 0, GlHostState::kSide, GlHostState::kSide};
    void* first =
        Call(testhost::kInstantiateGL, testhost::MixedPtr(&viewport), nullptr, "warm-up").ptr;
    FUZZ_CHECK(first != nullptr);
    testhost::SetParameterIn press{testhost::TestIndex, 0, testhost::MixedU32(0)};
    press.value.f32 = 1.0f;
    Call(testhost::kSetParameter, testhost::MixedPtr(&press), first, "warm-up");
    Call(testhost::kDeinstantiateGL, testhost::MixedPtr(nullptr), first, "warm-up");
    GlObjectLedger::Install();
    ProcessBounds::TakeBaseline();
}

void HostSession::RunInput(const std::uint8_t* data, std::size_t size)
{
    ByteReader reader(data, size);
    NetworkStandIn::HoldLookups();
    for (int i = 0; i < kMostActionsPerInput && !reader.AtEnd(); ++i)
        kActions[reader.Pick(std::size(kActions))](*this, reader);
    EndInput();
}

Mixed HostSession::Call(std::uint32_t code, Mixed input, void* instance, const char* what,
                        std::uint32_t width, std::uint32_t height)
{
    if (tracing)
        std::fprintf(stderr, "call %u (%s) on %p\n", code, what, instance);
    gl->Prepare(width, height);
    NetworkStandIn::CallFor(instance);
    Mixed result{};
    {
        const CallWatch::Call watch(what);
        result = plugin.Call(code, input, instance);
    }
    const bool failed = result.u32 == testhost::kFail;
    if (code == testhost::kInstantiateGL)
        GlObjectLedger::EndCall(failed ? nullptr : result.ptr);
    else
        GlObjectLedger::EndCall(code == testhost::kDeinstantiateGL ? nullptr : instance);
    if (code == testhost::kDeinstantiateGL)
        GlObjectLedger::CheckReleased(instance);
    gl->Check();
    ProcessBounds::Check();
    if (instance == nullptr && IsInstanceCode(code))
        FUZZ_CHECK(failed);
    return result;
}

LiveInstance* HostSession::PickInstance(ByteReader& reader)
{
    if (instances.empty())
        return nullptr;
    return &instances[reader.Pick(static_cast<std::uint32_t>(instances.size()))];
}

void* HostSession::PickTarget(ByteReader& reader)
{
    const std::uint32_t choice = reader.Pick(static_cast<std::uint32_t>(instances.size()) + 1);
    return choice < instances.size() ? instances[choice].id : nullptr;
}

void HostSession::DeleteInstance(std::size_t slot)
{
    void* id = instances[slot].id;
    instances.erase(instances.begin() + static_cast<std::ptrdiff_t>(slot));
    FUZZ_CHECK(
        Call(testhost::kDeinstantiateGL, testhost::MixedPtr(nullptr), id, "DeinstantiateGL").u32 ==
        testhost::kOk);
}

std::uint32_t PickIndex(ByteReader& reader)
{
    constexpr std::uint32_t kBeyond[] = {testhost::kParameterCount, 100, 0xFFFFFFFFu};
    const std::uint32_t choice = reader.Pick(testhost::kParameterCount + 3);
    return choice < testhost::kParameterCount ? choice
                                              : kBeyond[choice - testhost::kParameterCount];
}

void HostSession::EndInput()
{
    while (!instances.empty())
        DeleteInstance(instances.size() - 1);
    NetworkStandIn::ReleaseHeldLookups();
    VirtualClock::LeapPastInput();
    ProcessBounds::AwaitQuiet();
}
} // namespace hostfuzz
