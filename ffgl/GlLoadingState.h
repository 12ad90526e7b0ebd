// Loads the OpenGL entry points once per process, at the first GL instantiation.
#pragma once

namespace ffgl
{
// Render thread with the host's context current. The first call loads; a failure is permanent.
bool EnsureGlEntryPoints();
} // namespace ffgl
