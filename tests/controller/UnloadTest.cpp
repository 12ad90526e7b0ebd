// A host deletes the instance and unloads the library while a sender thread is still inside
// the name lookup: the thread must finish its send, not crash in unmapped code. A host that only
// scans the library (loads it, asks its information and parameters, unloads it) leaves nothing
// of it behind: no thread, no mapping.
#include "tools/testhost/FunctionCode.h"
#include "tools/testhost/GlContext.h"
#include "tools/testhost/OscReceiver.h"
#include "tools/testhost/ParameterIndex.h"
#include "tools/testhost/PluginLibrary.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
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

// The threads of this process, and how many of them carry `name`.
int Threads(const char* name = nullptr)
{
    int count = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
    {
        std::string comm;
        std::getline(std::ifstream(task.path() / "comm"), comm);
        count += !name || comm == name ? 1 : 0;
    }
    return count;
}

bool Mapped(const std::string& path)
{
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);)
        if (line.find(path) != std::string::npos)
            return true;
    return false;
}

std::atomic<int> lookups{0};
int CountLookup(const char*)
{
    ++lookups;
    return 0;
}

// What a host that scans its plug-ins does: information, parameters, a parameter set with no
// instance (which reaches the prototype at most), then the unload.
std::string Scan(const std::string& path, int threadsBefore)
{
    const testhost::PluginLibrary plugin(path);
    void* answerLookups = plugin.Symbol("vdrxTestAnswerLookups");
    void (*install)(int (*)(const char*), std::int64_t (*)(const std::uint8_t*, std::size_t)) =
        nullptr;
    std::memcpy(&install, &answerLookups, sizeof install);
    install(&CountLookup, nullptr);
    plugin.GetInfo();
    plugin.GetExtendedInfo();
    plugin.Initialise();
    for (std::uint32_t i = 0; i < plugin.GetNumParameters(); ++i)
    {
        plugin.GetParameterName(i);
        plugin.GetParameterDefault(i);
        plugin.GetParameterType(i);
        plugin.GetParameterRange(i);
    }
    testhost::SetParameterIn setHost{testhost::OscHostIndex, 0, testhost::MixedPtr("studio-pc")};
    plugin.Call(testhost::kSetParameter, testhost::MixedPtr(&setHost), nullptr);
    plugin.Deinitialise();
    return Threads() == threadsBefore ? std::string() : "the scan started a thread";
}

std::string ScanThenUse()
{
    std::string error;
    auto context = testhost::CreateEglContext(error); // the host's, made before it scans
    if (!context)
        return error;
    const std::string path = std::filesystem::canonical(VDRX_SEAMED_PLUGIN_PATH).string();
    const int before = Threads();
    if (std::string problem = Scan(path, before); !problem.empty())
        return problem;
    if (Mapped(path))
        return "the library is still mapped after the host unloaded it";
    if (Threads() != before)
        return "a thread of the library outlived its unload";
    if (lookups.load() != 0)
        return "the scan looked a name up";

    // Used: the first GL instance starts the scheduler, in its GL set-up.
    const testhost::PluginLibrary plugin(path);
    void* instance = plugin.InstantiateGL(testhost::ViewportIn{0, 0, 16, 16});
    if (!instance)
        return "no instance";
    const bool started = Threads("vdrx-send") == 1;
    plugin.DeinstantiateGL(instance);
    return started ? std::string() : "the first GL instance did not start the scheduler";
}

void RunAndExit(std::string (*run)())
{
    const std::string problem = run();
    if (!problem.empty())
        std::fprintf(stderr, "%s\n", problem.c_str());
    std::_Exit(problem.empty() ? 0 : 1);
}

TEST(Unload, SenderThreadOutlivesTheInstanceAndTheLibrarysUnload)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RunAndExit(&UnloadWhileLookupRuns), ::testing::ExitedWithCode(0), "");
}

TEST(Unload, AScanLeavesNoThreadAndNoMappingAndTheFirstGlInstanceStartsTheScheduler)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RunAndExit(&ScanThenUse), ::testing::ExitedWithCode(0), "");
}

} // namespace
