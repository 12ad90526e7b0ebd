#include "tools/standin/OutputFrameCheck.h"

#include "tools/standin/PngFile.h"

#include <functional>
#include <numeric>

namespace standin
{

bool CheckOutputFrame(const std::string& path, const testhost::RenderTarget& target,
                      const testhost::RgbaImage& input, Console& console)
{
    const testhost::RgbaImage output = target.Read();
    WritePng(path, output);
    const auto differing =
        std::inner_product(output.pixels.begin(), output.pixels.end(), input.pixels.begin(),
                           std::size_t{0}, std::plus<>(), std::not_equal_to<>());
    if (differing == 0)
        console.Line("png       " + path + ": the last output frame equals its input");
    else
        console.Line("png       " + path + ": the last output frame DIFFERS from its input in " +
                     std::to_string(differing) + " of " + std::to_string(input.pixels.size()) +
                     " pixels");
    return differing == 0;
}

} // namespace standin
