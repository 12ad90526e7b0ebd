// Each test gets a fresh OpenGL 4.1 core context (EGL, surfaceless: no display, no GPU needed)
// with GLEW's entry points loaded, so GL names start again at 1 and no state leaks between tests.
#pragma once

#include "ffgl/FFGLTypes.h"
#include "platform/GlewLoader.h"
#include "tools/testhost/GlContext.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <string>

namespace glutiltest
{

class GlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        context = testhost::CreateEglContext(error);
        ASSERT_NE(context, nullptr) << error;
        ASSERT_TRUE(platform::LoadGlEntryPoints());
    }

private:
    std::unique_ptr<testhost::GlContext> context;
};

inline GLuint GetName(GLenum binding)
{
    GLint value = -1;
    glGetIntegerv(binding, &value);
    return static_cast<GLuint>(value);
}

// One input, as a host hands it to ProcessOpenGL. Lives where it is made (it points into itself).
struct OneInputFrame
{
    explicit OneInputFrame(const ffgl::TextureRecord& input) : record(input) {}
    OneInputFrame(const OneInputFrame&) = delete;
    OneInputFrame& operator=(const OneInputFrame&) = delete;

    ffgl::TextureRecord record;
    ffgl::TextureRecord* inputs[1] = {&record};
    ffgl::FrameDataRecord frame{1, inputs};
};

} // namespace glutiltest
