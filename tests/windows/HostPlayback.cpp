#include "tests/windows/HostPlayback.h"

#include "tests/windows/Check.h"
#include "tools/testhost/RgbaImage.h"

#include <thread>

namespace wine_host
{
namespace
{
using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kSize = 32;
constexpr std::chrono::milliseconds kFrameInterval{16};
} // namespace

HostPlayback::HostPlayback(const testhost::PluginLibrary& library, void* pluginInstance)
    : plugin(library), instance(pluginInstance), texture(testhost::GradientImage(kSize, kSize)),
      target(kSize, kSize), input{kSize, kSize, kSize, kSize, texture.Name()}, inputs{&input}
{
}

void HostPlayback::Frame()
{
    const testhost::FrameIn frame{1, 0, inputs.data()};
    Check(plugin.ProcessOpenGL(instance, frame) == testhost::kOk,
          "ProcessOpenGL (code 17) answered failure");
    std::this_thread::sleep_for(kFrameInterval);
}

void HostPlayback::DrawFor(std::chrono::milliseconds duration)
{
    for (const Clock::time_point end = Clock::now() + duration; Clock::now() < end;)
        Frame();
}

void HostPlayback::PlayClipFor(std::chrono::milliseconds duration)
{
    const Clock::time_point start = Clock::now();
    for (Clock::duration clipTime{}; clipTime < duration; clipTime = Clock::now() - start)
    {
        const double seconds = std::chrono::duration<double>(clipTime).count();
        Check(plugin.SetTime(instance, seconds) == testhost::kOk,
              "SetTime (code 20) answered failure");
        Frame();
    }
}
} // namespace wine_host
