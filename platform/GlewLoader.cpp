#include "platform/GlewLoader.h"

#include <GL/glew.h>

namespace platform
{
bool LoadGlEntryPoints()
{
    glewExperimental = GL_TRUE; // core profiles hide the extension string GLEW would look at
    const GLenum result = glewInit();
#ifdef _WIN32
    return result == GLEW_OK;
#else
    // Debian's GLEW is built for GLX: under an EGL context without an X display it answers
    // "no GLX display" after it has already loaded every GL entry point.
    return result == GLEW_OK || result == GLEW_ERROR_NO_GLX_DISPLAY;
#endif
}
} // namespace platform
