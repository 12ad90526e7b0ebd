// The input the stand-in hands the plug-in: one texture holding a test pattern that moves
// every frame, so that a plug-in drawing a stale or misplaced frame shows. Thread with the
// context current.
#pragma once

#include "tools/testhost/GlPixels.h"
#include "tools/testhost/HostRecords.h"
#include "tools/testhost/RgbaImage.h"

#include <cstdint>

namespace standin
{

// Opaque; the pattern of frame n is that of frame 0 moved n pixels to the left.
testhost::RgbaImage MovingPattern(std::uint32_t width, std::uint32_t height, std::uint64_t frame);

class InputFeed
{
public:
    InputFeed(std::uint32_t width, std::uint32_t height);
    InputFeed(const InputFeed&) = delete;
    InputFeed& operator=(const InputFeed&) = delete;

    // Puts the pattern of this frame into the texture; answers the frame record naming it,
    // valid while the feed lives.
    const testhost::FrameIn& Next(std::uint64_t frame);
    // The pattern last put into the texture.
    const testhost::RgbaImage& Current() const { return image; }

private:
    static constexpr std::uint32_t kPatternPeriod = 256;

    // Frame 0's pattern, 256 columns wider: every frame's is a window of it, copied row by row
    // rather than computed pixel by pixel (which a sanitizer build makes too slow for 60 fps).
    testhost::RgbaImage strip;
    testhost::RgbaImage image;
    testhost::RgbaTexture texture;
    testhost::TextureIn textureRecord;
    testhost::TextureIn* inputs[1];
    testhost::FrameIn frameRecord;
};

} // namespace standin
