// The OpenGL 4.1 core-profile context the stand-in renders with, current on the main thread,
// and the private X server a GLX context may need.
#pragma once

#include "tools/testhost/GlContext.h"
#include "tools/testhost/XvfbServer.h"

#include <memory>
#include <string>

namespace standin
{

class HostGl
{
public:
    // EGL surfaceless, or with `glx` GLX on $DISPLAY, else on a private Xvfb. Throws
    // std::runtime_error with the reason when no context can be made.
    explicit HostGl(bool glx);
    HostGl(const HostGl&) = delete;
    HostGl& operator=(const HostGl&) = delete;

    // "EGL surfaceless: 4.1 (Core Profile) Mesa 22.3.6, llvmpipe (LLVM 15.0.6, 256 bits)"
    std::string Describe() const;

private:
    void OpenGlx();

    // Declared first: the context must close before its X server ends.
    std::unique_ptr<testhost::XvfbServer> xvfb;
    std::unique_ptr<testhost::GlContext> context;
    std::string where;
};

} // namespace standin
