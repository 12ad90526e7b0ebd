// A headless OpenGL 4.1 core-profile context made current on the calling thread, as a video
// host holds one while it drives a plug-in.
#pragma once

#include <memory>
#include <string>

namespace testhost
{

class GlContext
{
public:
    virtual ~GlContext() = default;
    // Makes the context current on the calling thread again (or releases it with false).
    virtual bool MakeCurrent(bool current) = 0;
    // "EGL", "GLX" or "WGL".
    virtual const char* Kind() const = 0;
};

// EGL on Mesa's surfaceless platform: needs no display and no GPU. Null with a reason in
// `error` when no such context can be made.
std::unique_ptr<GlContext> CreateEglContext(std::string& error);
// GLX on an X display (for example Xvfb); null display name means $DISPLAY.
std::unique_ptr<GlContext> CreateGlxContext(const char* displayName, std::string& error);
// WGL on Windows, as a Windows video host holds one: a hidden window and a context made with
// wglCreateContextAttribsARB.
std::unique_ptr<GlContext> CreateWglContext(std::string& error);

} // namespace testhost
