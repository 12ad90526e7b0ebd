// GLSL of the pass-through: the input texture drawn unchanged, sampling only its used part.
#pragma once

namespace ffglex
{

// MaxUV scales the quad's 0..1 texture coordinates down to the used part of a texture whose
// allocation is larger than its content.
inline constexpr char passThroughVertexSource[] =
    "#version 410 core\n"
    "uniform vec2 MaxUV;\n"
    "layout( location = 0 ) in vec4 vPosition;\n"
    "layout( location = 1 ) in vec2 vUV;\n"
    "out vec2 uv;\n"
    "void main() { gl_Position = vPosition; uv = vUV * MaxUV; }\n";
static_assert(sizeof(passThroughVertexSource) == 188 + 1);

inline constexpr char passThroughFragmentSource[] =
    "#version 410 core\n"
    "uniform sampler2D InputTexture;\n"
    "in vec2 uv;\n"
    "out vec4 fragColor;\n"
    "void main() { fragColor = texture( InputTexture, uv ); }\n";
static_assert(sizeof(passThroughFragmentSource) == 139 + 1);

} // namespace ffglex
