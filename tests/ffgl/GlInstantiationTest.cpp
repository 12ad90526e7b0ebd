// GL instantiation under the two context kinds a Linux host uses, and a host without one.
// Loading the GL entry points happens once per process, so each case runs in a fresh child.
#include "tests/ffgl/LoadedPlugin.h"
#include "tools/testhost/GlContext.h"
#include "tools/testhost/XvfbServer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{
using testhost::FrameIn;
using testhost::PluginLibrary;
using testhost::ViewportIn;

[[noreturn]] void Finish(const std::string& problem)
{
    if (!problem.empty())
        std::fprintf(stderr, "%s\n", problem.c_str());
    std::exit(problem.empty() ? 0 : 1);
}

// Creates an instance, runs a frame and a time step, deletes it; empty when all went well.
std::string RunOneInstance(const PluginLibrary& plugin)
{
    const ViewportIn viewport{0, 0, 64, 32};
    void* instance = plugin.InstantiateGL(viewport);
    if (!instance)
        return "InstantiateGL failed";
    const FrameIn noInputs{0, 0, nullptr};
    if (plugin.ProcessOpenGL(instance, noInputs) != testhost::kOk)
        return "ProcessOpenGL failed";
    if (plugin.SetTime(instance, 0.0) != testhost::kOk)
        return "SetTime failed";
    if (plugin.DeinstantiateGL(instance) != testhost::kOk)
        return "DeinstantiateGL failed";
    return {};
}

void InstantiateUnderEgl()
{
    std::string error;
    auto context = testhost::CreateEglContext(error);
    if (!context)
        Finish(error);
    PluginLibrary plugin(VDRX_PLUGIN_PATH);
    Finish(RunOneInstance(plugin));
}

std::string RunUnderGlx()
{
    testhost::XvfbServer xvfb;
    if (!xvfb.Running())
        return "Xvfb did not start";
    std::string error;
    auto context = testhost::CreateGlxContext(xvfb.DisplayName().c_str(), error);
    if (!context)
        return error;
    PluginLibrary plugin(VDRX_PLUGIN_PATH);
    return RunOneInstance(plugin);
}

// std::exit skips the destructors of locals, so the X server ends before it is called.
void InstantiateUnderGlx()
{
    Finish(RunUnderGlx());
}

void FailedLoadingIsPermanent()
{
    PluginLibrary plugin(VDRX_PLUGIN_PATH);
    const ViewportIn viewport{0, 0, 64, 32};
    if (plugin.InstantiateGL(viewport))
        Finish("InstantiateGL without a current context succeeded");
    std::string error;
    auto context = testhost::CreateEglContext(error);
    if (!context)
        Finish(error);
    if (plugin.InstantiateGL(viewport))
        Finish("InstantiateGL succeeded after the first GL loading had failed");
    Finish({});
}

class GlInstantiation : public ::testing::Test
{
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(GlInstantiation, WorksUnderEglWithoutAnyDisplay)
{
    EXPECT_EXIT(InstantiateUnderEgl(), ::testing::ExitedWithCode(0), "");
}

TEST_F(GlInstantiation, WorksUnderGlxOnXvfb)
{
    EXPECT_EXIT(InstantiateUnderGlx(), ::testing::ExitedWithCode(0), "");
}

TEST_F(GlInstantiation, FailedGlLoadingFailsThatAndEveryLaterInstantiation)
{
    EXPECT_EXIT(FailedLoadingIsPermanent(), ::testing::ExitedWithCode(0), "");
}

} // namespace
