#include "tools/standin/PngFile.h"

#include <png.h>

#include <stdexcept>

namespace standin
{

void WritePng(const std::string& path, const testhost::RgbaImage& image)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = image.width;
    png.height = image.height;
    png.format = PNG_FORMAT_RGBA;
    // A negative stride makes libpng walk the rows from the last one: GL's rows run bottom up.
    const auto stride = -static_cast<png_int_32>(image.width * 4);
    const bool written =
        png_image_write_to_file(&png, path.c_str(), 0, image.pixels.data(), stride, nullptr) != 0;
    png_image_free(&png);
    if (!written)
        throw std::runtime_error("cannot write " + path + ": " + png.message);
}

} // namespace standin
