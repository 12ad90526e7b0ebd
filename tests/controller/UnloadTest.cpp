// A host deletes the instance and unloads the library while a sender thread is still inside
// the name lookup: the thread must finish its send, not crash in unmapped code.
#include "tools/testhost/GlContext.h"
#include "tools/testhost/OscReceiver.h"
#include "tools/testhost/PluginLibrary.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace
{
using namespace std::chrono_literals;

std::mutex gateMutex;
std::condition_variable gateChanged;
bool lookupEntered = false;
bool lookupReleased = false;

void HoldLookup()
{
    std::unique_lock lock(gateMutex);
    lookupEntered = true;
    gateChanged.notify_all();
    gateChanged.wait(lock, [] { return lookupReleased; });
}

template <typename Fn> Fn Symbol(void* handle, const char* name)
{
    void* symbol = dlsym(handle, name);
    Fn fn = nullptr;
    std::memcpy(&fn, &symbol, sizeof fn);
    return fn;
}

std::string UnloadWhileLookupRuns()
{
    std::string error;
    auto context = testhost::CreateEglContext(error);
    if (!context)
        return error;
    testhost::OscReceiver receiver;

    void* handle = dlopen(VDRX_SEAMED_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return dlerror();
    auto plugMain = Symbol<testhost::PlugMainFn>(handle, "plugMain");
    Symbol<void (*)(void (*)())>(handle, "vdrxTestHoldLookups")(&HoldLookup);

    const testhost::ViewportIn viewport{0, 0, 16, 16};
    void* instance = plugMain(18, testhost::MixedPtr(&viewport), nullptr).ptr;
    const std::string port = std::to_string(receiver.Port());
    testhost::SetParameterIn setPort{11, 0, testhost::MixedPtr(port.c_str())};
    plugMain(8, testhost::MixedPtr(&setPort), instance);
    testhost::SetParameterIn pressTest{7, 0, testhost::MixedU32(0)};
    pressTest.value.f32 = 1.0f;
    plugMain(8, testhost::MixedPtr(&pressTest), instance);
    {
        std::unique_lock lock(gateMutex);
        if (!gateChanged.wait_for(lock, 10s, [] { return lookupEntered; }))
            return "the sender thread never reached the lookup";
    }

    plugMain(19, testhost::MixedU32(0), instance);
    dlclose(handle);
    {
        const std::lock_guard lock(gateMutex);
        lookupReleased = true;
    }
    gateChanged.notify_all();

    const auto message = receiver.Receive(10s);
    if (!message)
        return "the sender thread sent nothing after the unload";
    if (message->address != "/composition/selectedlayer/transition/duration")
        return "unexpected datagram " + message->address;
    return {};
}

void RunAndExit()
{
    const std::string problem = UnloadWhileLookupRuns();
    if (!problem.empty())
        std::fprintf(stderr, "%s\n", problem.c_str());
    std::_Exit(problem.empty() ? 0 : 1);
}

TEST(Unload, SenderThreadOutlivesTheInstanceAndTheLibrarysUnload)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RunAndExit(), ::testing::ExitedWithCode(0), "");
}

} // namespace
