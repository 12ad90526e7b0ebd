// The per-frame pass-through: the input arrives unchanged (only its used part), the bindings it
// touches end at their defaults, and a frame without an input makes no GL call.
#include "glutil/PassThrough.h"
#include "glutil/PassThroughShader.h"
#include "tests/glutil/GlCallRecorder.h"
#include "tests/glutil/GlTest.h"
#include "tools/testhost/GlPixels.h"

#include <gmock/gmock.h>

namespace glutiltest
{
namespace
{
using testhost::GradientImage;
using testhost::RenderTarget;
using testhost::RgbaImage;
using testhost::RgbaTexture;
using ::testing::Contains;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

class PassThrough : public GlTest
{
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(ffglex::SetUpPassThrough(shader, quad));
    }

    void TearDown() override { ffglex::ReleasePassThrough(shader, quad); }

    void Draw(const ffgl::TextureRecord& input)
    {
        const OneInputFrame frame(input);
        ffglex::DrawPassThrough(shader, quad, frame.frame);
    }

    ffglex::ShaderProgram shader;
    ffglex::ScreenQuad quad;
};

TEST_F(PassThrough, InputOfTheOutputsSizeArrivesUnchanged)
{
    const RgbaImage image = GradientImage(64, 32);
    const RgbaTexture texture(image);
    const RenderTarget target(64, 32);
    ASSERT_TRUE(target.IsComplete());
    Draw({64, 32, 64, 32, texture.Name()});
    EXPECT_EQ(target.Read().pixels, image.pixels);
}

TEST_F(PassThrough, OnlyTheUsedPartOfALargerTextureIsStretchedOverTheOutput)
{
    const RgbaImage used = GradientImage(64, 32);
    RgbaImage allocated(128, 64, testhost::Rgba{255, 0, 255, 255});
    for (std::uint32_t y = 0; y < used.height; ++y)
        for (std::uint32_t x = 0; x < used.width; ++x)
            allocated.At(x, y) = used.At(x, y);
    const RgbaTexture texture(allocated);
    const RenderTarget target(128, 64);
    ASSERT_TRUE(target.IsComplete());

    Draw({64, 32, 128, 64, texture.Name()});

    RgbaImage stretched(128, 64, testhost::Rgba{});
    for (std::uint32_t y = 0; y < stretched.height; ++y)
        for (std::uint32_t x = 0; x < stretched.width; ++x)
            stretched.At(x, y) = used.At(x / 2, y / 2);
    EXPECT_EQ(target.Read().pixels, stretched.pixels);
}

TEST_F(PassThrough, MaxUvIsTheUsedFractionOfEachAllocatedSide)
{
    const RgbaTexture texture(GradientImage(4, 4));
    const RenderTarget target(4, 4);
    const GLint location = glGetUniformLocation(shader.GetProgramId(), "MaxUV");
    GlCallRecorder recorder;
    Draw({1280, 720, 2048, 1024, texture.Name()});
    EXPECT_THAT(recorder.Calls(), Contains(GlCall("glUniform2f", location, 0.625f, 0.703125f)));
    EXPECT_THAT(recorder.Calls(), Not(Contains(StartsWith("glGetUniformLocation("))))
        << "located once, after linking";
}

TEST_F(PassThrough, LeavesTheDefaultBindingsWhateverTheHostHadBound)
{
    const RgbaImage image = GradientImage(8, 8);
    const RgbaTexture input(image);
    const RgbaTexture hostTexture(GradientImage(2, 2));
    const RenderTarget target(8, 8);
    ffglex::ShaderProgram hostProgram;
    ASSERT_TRUE(
        hostProgram.Compile(ffglex::passThroughVertexSource, ffglex::passThroughFragmentSource));
    GLuint hostVertexArray = 0;
    glGenVertexArrays(1, &hostVertexArray);
    glUseProgram(hostProgram.GetProgramId());
    glBindTexture(GL_TEXTURE_2D, hostTexture.Name());
    glBindVertexArray(hostVertexArray);
    glActiveTexture(GL_TEXTURE4);

    Draw({8, 8, 8, 8, input.Name()});

    EXPECT_EQ(target.Read().pixels, image.pixels);
    EXPECT_EQ(GetName(GL_CURRENT_PROGRAM), 0u);
    EXPECT_EQ(GetName(GL_ACTIVE_TEXTURE), static_cast<GLuint>(GL_TEXTURE0));
    EXPECT_EQ(GetName(GL_TEXTURE_BINDING_2D), 0u);
    EXPECT_EQ(GetName(GL_VERTEX_ARRAY_BINDING), 0u);
}

TEST_F(PassThrough, FrameWithoutAFirstInputMakesNoGlCall)
{
    const RgbaTexture texture(GradientImage(2, 2));
    glBindTexture(GL_TEXTURE_2D, texture.Name());
    ffgl::TextureRecord record{2, 2, 2, 2, texture.Name()};
    ffgl::TextureRecord* inputs[] = {&record};
    ffgl::TextureRecord* nullFirst[] = {nullptr};
    GlCallRecorder recorder;

    for (const ffgl::FrameDataRecord& frame :
         {ffgl::FrameDataRecord{0, inputs}, ffgl::FrameDataRecord{1, nullptr},
          ffgl::FrameDataRecord{1, nullFirst}})
        ffglex::DrawPassThrough(shader, quad, frame);

    EXPECT_THAT(recorder.Calls(), IsEmpty());
    EXPECT_EQ(GetName(GL_TEXTURE_BINDING_2D), texture.Name()) << "glBindTexture was called";
}

} // namespace
} // namespace glutiltest
