// Each test gets a fresh OpenGL 4.1 core context (EGL, surfaceless: no display, no GPU needed)
// with GLEW's entry points loaded, so GL names start again at 1 and no state leaks between tests.
#pragma once

#include "host/FFGLTypes.h"
#include "platform/GlewLoader.h"
#include "tools/testhost/GlContext.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <string>

#include <dlfcn.h>
#include <link.h>

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
        PinLoadedLibraries();
        ASSERT_TRUE(platform::LoadGlEntryPoints());
    }

private:
    // Mesa's driver keeps tables it makes once in its own globals; when eglTerminate unloads
    // it, LeakSanitizer would count them as our leaks. Loaded libraries stay loaded instead.
    static void PinLoadedLibraries()
    {
        dl_iterate_phdr(
            [](dl_phdr_info* info, std::size_t, void*) {
                if (info->dlpi_name[0] != '\0')
                    dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
                return 0;
            },
            nullptr);
    }

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
