#include "tools/testhost/GlContext.h"

#include "tools/testhost/DriverLibraries.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

namespace testhost
{
namespace
{

class EglContext final : public GlContext
{
public:
    EglContext(EGLDisplay eglDisplay, EGLContext eglContext)
        : display(eglDisplay), context(eglContext)
    {
    }

    ~EglContext() override
    {
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display, context);
        eglTerminate(display);
    }

    bool MakeCurrent(bool current) override
    {
        return eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE,
                              current ? context : EGL_NO_CONTEXT) == EGL_TRUE;
    }

    const char* Kind() const override { return "EGL"; }

private:
    EGLDisplay display;
    EGLContext context;
};

EGLDisplay OpenSurfacelessDisplay()
{
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay)
        return EGL_NO_DISPLAY;
    return getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
}

std::unique_ptr<GlContext> MakeEglContext(std::string& error)
{
    EGLDisplay display = OpenSurfacelessDisplay();
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr))
    {
        error = "no EGL surfaceless display (is libegl-mesa0 installed?)";
        return nullptr;
    }
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE,
                                       EGL_PBUFFER_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglBindAPI(EGL_OPENGL_API) ||
        !eglChooseConfig(display, configAttributes, &config, 1, &count) || count < 1)
    {
        eglTerminate(display);
        error = "no EGL config for desktop OpenGL";
        return nullptr;
    }
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                        4,
                                        EGL_CONTEXT_MINOR_VERSION,
                                        1,
                                        EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                        EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT)
    {
        eglTerminate(display);
        error = "cannot create an OpenGL 4.1 core context through EGL";
        return nullptr;
    }
    auto result = std::make_unique<EglContext>(display, context);
    if (!result->MakeCurrent(true))
    {
        error = "cannot make the EGL context current without a surface";
        return nullptr;
    }
    return result;
}

} // namespace

std::unique_ptr<GlContext> CreateEglContext(std::string& error)
{
    const std::set<std::string> before = LoadedLibraryNames();
    auto context = MakeEglContext(error);
    if (context)
        KeepLibrariesLoadedSince(before);
    return context;
}

} // namespace testhost
