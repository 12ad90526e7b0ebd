#include "tools/standin/InputFeed.h"

#include "tools/testhost/TextureUpload.h"

#include <algorithm>

namespace standin
{

testhost::RgbaImage MovingPattern(std::uint32_t width, std::uint32_t height, std::uint64_t frame)
{
    testhost::RgbaImage image(width, height, testhost::Rgba{0, 0, 0, 255});
    for (std::uint32_t y = 0; y < height; ++y)
    {
        for (std::uint32_t x = 0; x < width; ++x)
        {
            const std::uint64_t u = x + frame;
            image.At(x, y) = testhost::Rgba{static_cast<std::uint8_t>(u & 0xFF),
                                            static_cast<std::uint8_t>(y & 0xFF),
                                            static_cast<std::uint8_t>((u * 7 + y * 3) & 0xFF), 255};
        }
    }
    return image;
}

InputFeed::InputFeed(std::uint32_t width, std::uint32_t height)
    : strip(MovingPattern(width + kPatternPeriod, height, 0)),
      image(MovingPattern(width, height, 0)), texture(image), textureRecord{width, height, width, height, texture.Name()},
      inputs{&textureRecord}, frameRecord{1, 0, inputs}
{
}

const testhost::FrameIn& InputFeed::Next(std::uint64_t frame)
{
    // The pattern repeats every 256 columns: frame n is the strip's rows from column n mod 256.
    const std::uint64_t shift = frame % kPatternPeriod;
    for (std::uint32_t y = 0; y < image.height; ++y)
    {
        const auto row = strip.pixels.begin() +
                         static_cast<std::ptrdiff_t>(std::uint64_t{y} * strip.width + shift);
        std::copy_n(row, image.width, image.pixels.begin() + std::ptrdiff_t{y} * image.width);
    }
    testhost::UploadImage(texture, image);
    return frameRecord;
}

} // namespace standin
