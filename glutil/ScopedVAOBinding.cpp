#include "glutil/ScopedVAOBinding.h"

#include <GL/glew.h>

namespace ffglex
{

ScopedVAOBinding::ScopedVAOBinding(std::uint32_t vertexArray) : isBound(true)
{
    glBindVertexArray(vertexArray);
}

ScopedVAOBinding::~ScopedVAOBinding()
{
    Unbind();
}

void ScopedVAOBinding::Unbind()
{
    if (!isBound)
        return;
    glBindVertexArray(0);
    isBound = false;
}

} // namespace ffglex
