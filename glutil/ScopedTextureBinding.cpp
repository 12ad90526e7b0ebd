#include "glutil/ScopedTextureBinding.h"

#include <GL/glew.h>

namespace ffglex
{

ScopedTextureBinding::ScopedTextureBinding(std::uint32_t textureTarget, std::uint32_t texture)
    : target(textureTarget), isBound(true)
{
    glBindTexture(target, texture);
}

ScopedTextureBinding::~ScopedTextureBinding()
{
    Unbind();
}

void ScopedTextureBinding::Unbind()
{
    if (!isBound)
        return;
    glBindTexture(target, 0);
    isBound = false;
}

Scoped2DTextureBinding::Scoped2DTextureBinding(std::uint32_t texture)
    : ScopedTextureBinding(GL_TEXTURE_2D, texture)
{
}

} // namespace ffglex
