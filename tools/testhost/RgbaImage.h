// RGBA8 pixels as GL stores them, for comparing what a plug-in drew with what it was given.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

namespace testhost
{

struct Rgba
{
    std::uint8_t r;
    std::uint8_t g;
    std::uint8_t b;
    std::uint8_t a;

    friend bool operator==(const Rgba&, const Rgba&) = default;
};
static_assert(sizeof(Rgba) == 4);

std::ostream& operator<<(std::ostream& out, const Rgba& pixel);

// Tightly packed, rows from the bottom up: At(0, 0) is the bottom-left pixel, as in GL.
struct RgbaImage
{
    RgbaImage(std::uint32_t imageWidth, std::uint32_t imageHeight, Rgba fill);

    Rgba& At(std::uint32_t x, std::uint32_t y) { return pixels[y * width + x]; }
    const Rgba& At(std::uint32_t x, std::uint32_t y) const { return pixels[y * width + x]; }

    std::uint32_t width;
    std::uint32_t height;
    std::vector<Rgba> pixels;
};

// Opaque, and no two pixels alike for sizes up to 256 x 256, so a misplaced texel shows.
RgbaImage GradientImage(std::uint32_t width, std::uint32_t height);

} // namespace testhost
