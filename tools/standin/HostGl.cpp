#include "tools/standin/HostGl.h"

#include "platform/GlPrototypes.h"

#include <cstdlib>
#include <stdexcept>

namespace standin
{
namespace
{
std::string GlString(GLenum name)
{
    const GLubyte* text = glGetString(name);
    return text ? reinterpret_cast<const char*>(text) : "?";
}
} // namespace

HostGl::HostGl(bool glx)
{
    if (glx)
    {
        OpenGlx();
        return;
    }
    std::string error;
    context = testhost::CreateEglContext(error);
    if (!context)
        throw std::runtime_error("no OpenGL 4.1 core context: " + error + " (try --glx)");
    where = "EGL surfaceless";
}

void HostGl::OpenGlx()
{
    std::string error;
    const char* display = std::getenv("DISPLAY");
    if (display && *display)
    {
        context = testhost::CreateGlxContext(display, error);
        where = std::string("GLX on ") + display;
    }
    if (!context)
    {
        xvfb = std::make_unique<testhost::XvfbServer>();
        if (!xvfb->Running())
            throw std::runtime_error("no OpenGL 4.1 core context: no X display, and Xvfb did "
                                     "not start (is the xvfb package installed?)");
        context = testhost::CreateGlxContext(xvfb->DisplayName().c_str(), error);
        where = "GLX on private Xvfb " + xvfb->DisplayName();
    }
    if (!context)
        throw std::runtime_error("no OpenGL 4.1 core context: " + error);
}

std::string HostGl::Describe() const
{
    return where + ": " + GlString(GL_VERSION) + ", " + GlString(GL_RENDERER);
}

} // namespace standin
