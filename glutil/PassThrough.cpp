#include "glutil/PassThrough.h"

#include "glutil/PassThroughShader.h"
#include "glutil/ScopedShaderBinding.h"
#include "glutil/ScopedTextureBinding.h"
#include "glutil/ScopedTextureUnitActivation.h"

#include <cstdint>

namespace ffglex
{
namespace
{
constexpr const char* kInputTexture = "InputTexture";
constexpr const char* kMaxUv = "MaxUV";

const ffgl::TextureRecord* FirstInput(const ffgl::FrameDataRecord& frame)
{
    if (frame.inputTextureCount == 0 || frame.inputTextures == nullptr)
        return nullptr;
    return frame.inputTextures[0];
}

// Each size goes to float before the division, and the quotient stays in float.
float UsedFraction(std::uint32_t used, std::uint32_t allocated)
{
    return static_cast<float>(used) / static_cast<float>(allocated);
}

} // namespace

bool SetUpPassThrough(ShaderProgram& shader, ScreenQuad& quad)
{
    if (!shader.Compile(passThroughVertexSource, passThroughFragmentSource))
        return false;
    shader.LocateUniforms({kInputTexture, kMaxUv});
    return quad.Create(false);
}

void ReleasePassThrough(ShaderProgram& shader, ScreenQuad& quad)
{
    shader.Release();
    quad.Release();
}

void DrawPassThrough(const ShaderProgram& shader, const ScreenQuad& quad,
                     const ffgl::FrameDataRecord& frame)
{
    const ffgl::TextureRecord* input = FirstInput(frame);
    if (input == nullptr)
        return;
    // Declared in this order so they end in reverse: the texture is taken back on unit 0.
    ScopedShaderBinding program(shader.GetProgramId());
    ScopedTextureUnitActivation unit(0);
    Scoped2DTextureBinding texture(input->handle);
    shader.SetUniform(kInputTexture, 0);
    shader.SetUniform(kMaxUv, UsedFraction(input->width, input->hardwareWidth),
                      UsedFraction(input->height, input->hardwareHeight));
    quad.Draw();
}

} // namespace ffglex
