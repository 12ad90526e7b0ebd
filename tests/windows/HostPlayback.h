// A host's frames for one instance: each carries a test pattern as the input texture into the
// host's framebuffer, one about every 16 ms. Render thread, with the host's context current.
#pragma once

#include "tools/testhost/GlPixels.h"
#include "tools/testhost/PluginLibrary.h"

#include <array>
#include <chrono>

namespace wine_host
{
class HostPlayback
{
public:
    HostPlayback(const testhost::PluginLibrary& plugin, void* instance);

    // Frames without a clip time, as while the layer shows no clip.
    void DrawFor(std::chrono::milliseconds duration);
    // A clip from its start: before each frame, SetTime hands over the clip time in seconds,
    // counted from the first frame by the host's clock.
    void PlayClipFor(std::chrono::milliseconds duration);

private:
    void Frame();

    const testhost::PluginLibrary& plugin;
    void* instance;
    testhost::RgbaTexture texture;
    testhost::RenderTarget target;
    testhost::TextureIn input;
    std::array<testhost::TextureIn*, 1> inputs;
};
} // namespace wine_host
