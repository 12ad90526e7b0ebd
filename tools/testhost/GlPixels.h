// Pixels into and out of GL: a texture made from an image, and a framebuffer to draw into and
// read back. Thread with the context current; names are plain GL names.
#pragma once

#include "tools/testhost/RgbaImage.h"

#include <cstdint>

namespace testhost
{

// A 2D RGBA8 texture holding the image, sampled nearest so texels arrive unblended. Creating
// it leaves GL_TEXTURE_2D on the active unit at 0.
class RgbaTexture
{
public:
    explicit RgbaTexture(const RgbaImage& image);
    ~RgbaTexture();
    RgbaTexture(const RgbaTexture&) = delete;
    RgbaTexture& operator=(const RgbaTexture&) = delete;

    std::uint32_t Name() const { return name; }

private:
    std::uint32_t name = 0;
};

// An RGBA8 framebuffer, bound for drawing and reading with a viewport of its size and cleared
// to transparent black while it lives; the default framebuffer is bound again at its end.
class RenderTarget
{
public:
    RenderTarget(std::uint32_t targetWidth, std::uint32_t targetHeight);
    ~RenderTarget();
    RenderTarget(const RenderTarget&) = delete;
    RenderTarget& operator=(const RenderTarget&) = delete;

    // False when GL reports the framebuffer incomplete.
    bool IsComplete() const;
    RgbaImage Read() const;

private:
    std::uint32_t width;
    std::uint32_t height;
    std::uint32_t framebuffer = 0;
    std::uint32_t renderbuffer = 0;
};

} // namespace testhost
