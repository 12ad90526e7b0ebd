// Loads the OpenGL entry points through GLEW against the current context.
#pragma once

namespace platform
{
// Render thread, with the host's context current. True when every entry point is usable.
bool LoadGlEntryPoints();
} // namespace platform
