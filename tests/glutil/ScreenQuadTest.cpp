// The quad draws only once it exists, survives repeated release, and its flipped variant
// mirrors the image.
#include "glutil/ScreenQuad.h"
#include "glutil/PassThrough.h"
#include "tests/glutil/EntryPointOverride.h"
#include "tests/glutil/GlCallRecorder.h"
#include "tests/glutil/GlTest.h"
#include "tools/testhost/GlPixels.h"

#include <gmock/gmock.h>

namespace glutiltest
{
namespace
{
using ::testing::IsEmpty;

class ScreenQuad : public GlTest
{
protected:
    // Core profiles reject glDrawArrays without a vertex array, so a stray draw shows here too.
    void ExpectDrawMakesNoGlCall()
    {
        GlCallRecorder recorder;
        quad.Draw();
        EXPECT_THAT(recorder.Calls(), IsEmpty());
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }

    ffglex::ScreenQuad quad;
};

TEST_F(ScreenQuad, DrawsNothingBeforeCreateAfterReleaseOrAfterAFailedCreate)
{
    ExpectDrawMakesNoGlCall();

    ASSERT_TRUE(quad.Create(false));
    quad.Release();
    quad.Release();
    ExpectDrawMakesNoGlCall();

    EntryPointOverride noVertexArray(
        __glewGenVertexArrays, +[](GLsizei, GLuint*) {});
    EXPECT_FALSE(quad.Create(false));
    ExpectDrawMakesNoGlCall();
}

TEST_F(ScreenQuad, FlippedVariantMirrorsTheImageVertically)
{
    ffglex::ShaderProgram shader;
    ASSERT_TRUE(ffglex::SetUpPassThrough(shader, quad));
    quad.Release();
    ASSERT_TRUE(quad.Create(true));
    const testhost::RgbaImage image = testhost::GradientImage(16, 8);
    const testhost::RgbaTexture texture(image);
    const testhost::RenderTarget target(16, 8);
    ASSERT_TRUE(target.IsComplete());

    const OneInputFrame input({16, 8, 16, 8, texture.Name()});
    ffglex::DrawPassThrough(shader, quad, input.frame);

    testhost::RgbaImage mirrored = image;
    for (std::uint32_t y = 0; y < image.height; ++y)
        for (std::uint32_t x = 0; x < image.width; ++x)
            mirrored.At(x, y) = image.At(x, image.height - 1 - y);
    EXPECT_EQ(target.Read().pixels, mirrored.pixels);
}

} // namespace
} // namespace glutiltest
