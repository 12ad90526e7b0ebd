#include "tools/testhost/RgbaImage.h"

namespace testhost
{

std::ostream& operator<<(std::ostream& out, const Rgba& pixel)
{
    return out << '(' << int{pixel.r} << ',' << int{pixel.g} << ',' << int{pixel.b} << ','
               << int{pixel.a} << ')';
}

RgbaImage::RgbaImage(std::uint32_t imageWidth, std::uint32_t imageHeight, Rgba fill)
    : width(imageWidth), height(imageHeight), pixels(std::size_t{imageWidth} * imageHeight, fill)
{
}

RgbaImage GradientImage(std::uint32_t width, std::uint32_t height)
{
    RgbaImage image(width, height, Rgba{0, 0, 0, 255});
    for (std::uint32_t y = 0; y < height; ++y)
    {
        for (std::uint32_t x = 0; x < width; ++x)
            image.At(x, y) = Rgba{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                                  static_cast<std::uint8_t>((x * 7 + y * 3) & 0xFF), 255};
    }
    return image;
}

} // namespace testhost
