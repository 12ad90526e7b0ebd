#include "glutil/ScopedShaderBinding.h"

#include <GL/glew.h>

namespace ffglex
{

ScopedShaderBinding::ScopedShaderBinding(std::uint32_t program) : isBound(true)
{
    glUseProgram(program);
}

ScopedShaderBinding::~ScopedShaderBinding()
{
    Unbind();
}

void ScopedShaderBinding::Unbind()
{
    if (!isBound)
        return;
    glUseProgram(0);
    isBound = false;
}

} // namespace ffglex
