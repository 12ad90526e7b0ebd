// Translates one host request into calls on the descriptor, the prototype or an instance.
#pragma once

#include "ffgl/FFGLTypes.h"

#include <cstdint>

namespace ffgl
{
// Host's render thread, one call at a time. Never throws: any failure, an exception
// included, becomes the answer the host expects when a code cannot be served.
FFMixed PlugMain(std::uint32_t code, FFMixed input, FFInstanceID instance) noexcept;
} // namespace ffgl
