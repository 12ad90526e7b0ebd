// Renewing a texture's pixels each frame, as a host does with a playing clip's input.
// Thread with the context current.
#pragma once

#include "tools/testhost/GlPixels.h"
#include "tools/testhost/RgbaImage.h"

namespace testhost
{

// Replaces every texel of the texture with the image, which must have the texture's size.
// Leaves GL_TEXTURE_2D on the active unit at 0.
void UploadImage(const RgbaTexture& texture, const RgbaImage& image);

} // namespace testhost
