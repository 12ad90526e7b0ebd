#include "glutil/ScopedBufferBinding.h"

#include <GL/glew.h>

namespace ffglex
{

ScopedBufferBinding::ScopedBufferBinding(std::uint32_t bufferTarget, std::uint32_t buffer)
    : target(bufferTarget), isBound(true)
{
    glBindBuffer(target, buffer);
}

ScopedBufferBinding::~ScopedBufferBinding()
{
    Unbind();
}

void ScopedBufferBinding::Unbind()
{
    if (!isBound)
        return;
    glBindBuffer(target, 0);
    isBound = false;
}

ScopedVBOBinding::ScopedVBOBinding(std::uint32_t buffer)
    : ScopedBufferBinding(GL_ARRAY_BUFFER, buffer)
{
}

} // namespace ffglex
