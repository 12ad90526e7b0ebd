// The pass-through as a plug-in instance uses it: GL set-up, release, and the per-frame draw
// of the host's first input over the framebuffer and viewport the host has bound.
#pragma once

#include "ffgl/FFGLTypes.h"
#include "glutil/ScreenQuad.h"
#include "glutil/ShaderProgram.h"

namespace ffglex
{

// InitGL's GL set-up: compiles the pass-through program, then, only if that succeeded, creates
// the upright quad. False if either failed; the caller then runs its DeInitGL.
bool SetUpPassThrough(ShaderProgram& shader, ScreenQuad& quad);

// DeInitGL: releases the program, then the quad. Repeatable.
void ReleasePassThrough(ShaderProgram& shader, ScreenQuad& quad);

// Per frame: draws input 0 unchanged, scaled to the bound viewport. No GL call at all when the
// frame has no input or its first entry is null. Afterwards program 0 is in use, unit 0 is
// active with no 2D texture and no vertex array is bound, whatever the host had before.
// Allocates nothing.
void DrawPassThrough(const ShaderProgram& shader, const ScreenQuad& quad,
                     const ffgl::FrameDataRecord& frame);

} // namespace ffglex
