#include "glutil/ScopedTextureUnitActivation.h"

#include <GL/glew.h>

namespace ffglex
{

ScopedTextureUnitActivation::ScopedTextureUnitActivation(std::uint32_t unitIndex) : isBound(true)
{
    glActiveTexture(GL_TEXTURE0 + unitIndex);
}

ScopedTextureUnitActivation::~ScopedTextureUnitActivation()
{
    Unbind();
}

void ScopedTextureUnitActivation::Unbind()
{
    if (!isBound)
        return;
    glActiveTexture(GL_TEXTURE0);
    isBound = false;
}

} // namespace ffglex
