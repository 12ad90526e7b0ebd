// The pass-through check: the plug-in's last output frame, saved as PNG and compared with the
// input it was given.
#pragma once

#include "tools/standin/Console.h"
#include "tools/testhost/GlPixels.h"
#include "tools/testhost/RgbaImage.h"

#include <string>

namespace standin
{

// Reads the target, writes it to `path` and answers whether it equals `input` pixel for pixel.
// Throws std::runtime_error when the file cannot be written.
bool CheckOutputFrame(const std::string& path, const testhost::RenderTarget& target,
                      const testhost::RgbaImage& input, Console& console);

} // namespace standin
