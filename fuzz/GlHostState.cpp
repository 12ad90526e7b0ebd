#include "fuzz/GlHostState.h"

#include "fuzz/FuzzCheck.h"
#include "platform/GlPrototypes.h"

namespace hostfuzz
{
namespace
{
GLint Get(GLenum what)
{
    GLint value = -1;
    glGetIntegerv(what, &value);
    return value;
}

GLint UnitOneTexture()
{
    glActiveTexture(GL_TEXTURE1);
    const GLint name = Get(GL_TEXTURE_BINDING_2D);
    glActiveTexture(GL_TEXTURE0);
    return name;
}

GLsizei Size(std::uint32_t value)
{
    return static_cast<GLsizei>(value);
}
} // namespace

GlHostState::GlHostState()
    : framebuffer(static_cast<std::uint32_t>(Get(GL_DRAW_FRAMEBUFFER_BINDING)))
{
}

void GlHostState::Prepare(std::uint32_t width, std::uint32_t height)
{
    viewportWidth = width;
    viewportHeight = height;
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, Size(kSide), Size(kSide));
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glViewport(0, 0, Size(width), Size(height));
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, unitOneTexture.Name());
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glUseProgram(0);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    while (glGetError() != GL_NO_ERROR)
    {
    }
}

void GlHostState::Check() const
{
    FUZZ_CHECK(Get(GL_CURRENT_PROGRAM) == 0);
    FUZZ_CHECK(Get(GL_ACTIVE_TEXTURE) == GL_TEXTURE0);
    FUZZ_CHECK(Get(GL_TEXTURE_BINDING_2D) == 0);
    FUZZ_CHECK(Get(GL_VERTEX_ARRAY_BINDING) == 0);
    FUZZ_CHECK(Get(GL_ARRAY_BUFFER_BINDING) == 0);
    FUZZ_CHECK(Get(GL_DRAW_FRAMEBUFFER_BINDING) == static_cast<GLint>(framebuffer));
    FUZZ_CHECK(Get(GL_READ_FRAMEBUFFER_BINDING) == static_cast<GLint>(framebuffer));
    GLint viewport[4] = {-1, -1, -1, -1};
    glGetIntegerv(GL_VIEWPORT, viewport);
    FUZZ_CHECK(viewport[0] == 0 && viewport[1] == 0 &&
               viewport[2] == static_cast<GLint>(viewportWidth) &&
               viewport[3] == static_cast<GLint>(viewportHeight));
    FUZZ_CHECK(UnitOneTexture() == static_cast<GLint>(unitOneTexture.Name()));
}

testhost::RgbaImage GlHostState::ReadViewport() const
{
    testhost::RgbaImage image(viewportWidth, viewportHeight, testhost::Rgba{});
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, Size(viewportWidth), Size(viewportHeight), GL_RGBA, GL_UNSIGNED_BYTE,
                 image.pixels.data());
    return image;
}
} // namespace hostfuzz
