#include "tools/testhost/GlContext.h"

#include "tools/testhost/DriverLibraries.h"

#include <GL/glx.h>
#include <X11/Xlib.h>

namespace testhost
{
namespace
{

class GlxContext final : public GlContext
{
public:
    GlxContext(Display* x11Display, GLXPbuffer glxPbuffer, GLXContext glxContext)
        : display(x11Display), pbuffer(glxPbuffer), context(glxContext)
    {
    }

    ~GlxContext() override
    {
        glXMakeContextCurrent(display, None, None, nullptr);
        glXDestroyContext(display, context);
        glXDestroyPbuffer(display, pbuffer);
        XCloseDisplay(display);
    }

    bool MakeCurrent(bool current) override
    {
        return glXMakeContextCurrent(display, current ? pbuffer : None, current ? pbuffer : None,
                                     current ? context : nullptr) == True;
    }

    const char* Kind() const override { return "GLX"; }

private:
    Display* display;
    GLXPbuffer pbuffer;
    GLXContext context;
};

using CreateContextAttribsFn = GLXContext (*)(Display*, GLXFBConfig, GLXContext, Bool, const int*);

std::unique_ptr<GlContext> MakeGlxContext(const char* displayName, std::string& error)
{
    Display* display = XOpenDisplay(displayName);
    if (!display)
    {
        error = "cannot open X display";
        return nullptr;
    }
    const int configAttributes[] = {GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT, GLX_RENDER_TYPE,
                                    GLX_RGBA_BIT, None};
    int count = 0;
    GLXFBConfig* configs =
        glXChooseFBConfig(display, DefaultScreen(display), configAttributes, &count);
    auto createContext = reinterpret_cast<CreateContextAttribsFn>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXCreateContextAttribsARB")));
    if (!configs || count < 1 || !createContext)
    {
        if (configs)
            XFree(configs);
        XCloseDisplay(display);
        error = "no GLX config or no glXCreateContextAttribsARB";
        return nullptr;
    }
    GLXFBConfig config = configs[0];
    XFree(configs);
    const int contextAttributes[] = {GLX_CONTEXT_MAJOR_VERSION_ARB,
                                     4,
                                     GLX_CONTEXT_MINOR_VERSION_ARB,
                                     1,
                                     GLX_CONTEXT_PROFILE_MASK_ARB,
                                     GLX_CONTEXT_CORE_PROFILE_BIT_ARB,
                                     None};
    GLXContext context = createContext(display, config, nullptr, True, contextAttributes);
    const int pbufferAttributes[] = {GLX_PBUFFER_WIDTH, 16, GLX_PBUFFER_HEIGHT, 16, None};
    GLXPbuffer pbuffer = context ? glXCreatePbuffer(display, config, pbufferAttributes) : None;
    if (!context || pbuffer == None)
    {
        if (context)
            glXDestroyContext(display, context);
        XCloseDisplay(display);
        error = "cannot create an OpenGL 4.1 core context through GLX";
        return nullptr;
    }
    auto result = std::make_unique<GlxContext>(display, pbuffer, context);
    if (!result->MakeCurrent(true))
    {
        error = "cannot make the GLX context current";
        return nullptr;
    }
    return result;
}

} // namespace

std::unique_ptr<GlContext> CreateGlxContext(const char* displayName, std::string& error)
{
    const std::set<std::string> before = LoadedLibraryNames();
    auto context = MakeGlxContext(displayName, error);
    if (context)
        KeepLibrariesLoadedSince(before);
    return context;
}

} // namespace testhost
