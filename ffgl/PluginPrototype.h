// The prototype instance: answers every parameter and capability question that names no
// instance. Render thread only, one call at a time.
#pragma once

#include "ffgl/FFGLPlugin.h"

#include <cstdint>

namespace ffgl
{
// Runs the initialise hook and creates the prototype if there is none; kSuccess or failure.
std::uint32_t Initialise();
// The prototype, created first if needed; null when it cannot be made.
CFFGLPlugin* EnsurePrototype();
// Destroys the prototype (if any), then runs the deinitialise hook; failure without descriptor.
std::uint32_t Deinitialise();
} // namespace ffgl
