// Frames written as PNG files, for looking at what the plug-in drew.
#pragma once

#include "tools/testhost/RgbaImage.h"

#include <string>

namespace standin
{

// RGBA, 8 bits per channel, top row first as image viewers expect. Throws std::runtime_error
// with libpng's reason when the file cannot be written.
void WritePng(const std::string& path, const testhost::RgbaImage& image);

} // namespace standin
