#include "tools/standin/InputFeed.h"

#include "tools/testhost/TextureUpload.h"

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
    : image(MovingPattern(width, height, 0)),
      texture(image), textureRecord{width, height, width, height, texture.Name()},
      inputs{&textureRecord}, frameRecord{1, 0, inputs}
{
}

const testhost::FrameIn& InputFeed::Next(std::uint64_t frame)
{
    image = MovingPattern(image.width, image.height, frame);
    testhost::UploadImage(texture, image);
    return frameRecord;
}

} // namespace standin
