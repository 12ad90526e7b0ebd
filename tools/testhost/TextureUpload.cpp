#include "tools/testhost/TextureUpload.h"

#include "platform/GlPrototypes.h"

namespace testhost
{

void UploadImage(const RgbaTexture& texture, const RgbaImage& image)
{
    glBindTexture(GL_TEXTURE_2D, texture.Name());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(image.width),
                    static_cast<GLsizei>(image.height), GL_RGBA, GL_UNSIGNED_BYTE,
                    image.pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
}

} // namespace testhost
