// The GL state a host keeps around its calls into a plug-in: its own framebuffer bound with a
// viewport on it, and a texture of its own on unit 1, which the plug-in must leave as they are;
// the bindings the plug-in's draw uses stand at their defaults and must be back there after
// each call (program, unit 0 active with no 2D texture, vertex array and array buffer).
// Host thread, with the context current.
#pragma once

#include "tools/testhost/GlPixels.h"
#include "tools/testhost/RgbaImage.h"

#include <cstdint>

namespace hostfuzz
{
class GlHostState
{
public:
    static constexpr std::uint32_t kSide = 64; // of the framebuffer

    GlHostState();

    // Before a call: the state above, a viewport of width x height at the framebuffer's corner
    // (each 1 to kSide), cleared to transparent black, and no GL error pending.
    void Prepare(std::uint32_t width, std::uint32_t height);
    // After a call: fails the input when the plug-in left any of it changed.
    void Check() const;
    // The viewport's pixels.
    testhost::RgbaImage ReadViewport() const;

private:
    testhost::RenderTarget target{kSide, kSide};
    testhost::RgbaTexture unitOneTexture{testhost::GradientImage(2, 2)};
    std::uint32_t framebuffer = 0;
    std::uint32_t viewportWidth = kSide;
    std::uint32_t viewportHeight = kSide;
};
} // namespace hostfuzz
