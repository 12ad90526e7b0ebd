// The seven binding scopes: one GL call to begin, one to end, and the end always restores the
// default, never what the host had bound before.
#include "glutil/ScopedBufferBinding.h"
#include "glutil/ScopedShaderBinding.h"
#include "glutil/ScopedTextureBinding.h"
#include "glutil/ScopedTextureUnitActivation.h"
#include "glutil/ScopedVAOBinding.h"
#include "tests/glutil/GlCallRecorder.h"
#include "tests/glutil/GlTest.h"

#include <gmock/gmock.h>

#include <memory>

namespace glutiltest
{
namespace
{
using ::testing::ElementsAre;

class ScopedBindings : public GlTest
{
};

// Ends the scope once by its destructor and once by an early Unbind, after which the
// destructor must stay silent.
template <typename Scope, typename... Args>
void ExpectOneCallToBeginAndOneToEnd(const std::string& begin, const std::string& end, Args... args)
{
    GlCallRecorder recorder;
    {
        Scope scope(args...);
        EXPECT_THAT(recorder.Calls(), ElementsAre(begin));
    }
    EXPECT_THAT(recorder.Calls(), ElementsAre(begin, end));
    recorder.Clear();
    {
        Scope scope(args...);
        scope.Unbind();
        EXPECT_THAT(recorder.Calls(), ElementsAre(begin, end));
    }
    EXPECT_THAT(recorder.Calls(), ElementsAre(begin, end));
}

TEST_F(ScopedBindings, BeginWithOneCallAndEndWithOneCallToTheDefault)
{
    GLuint buffers[2] = {};
    glGenBuffers(2, buffers);
    GLuint vertexArrays[2] = {};
    glGenVertexArrays(2, vertexArrays);
    const GLuint program = glCreateProgram();
    // What the host had bound must not come back at the end.
    glBindBuffer(GL_COPY_READ_BUFFER, buffers[1]);
    glBindBuffer(GL_ARRAY_BUFFER, buffers[1]);
    glBindVertexArray(vertexArrays[1]);
    glActiveTexture(GL_TEXTURE5);

    ExpectOneCallToBeginAndOneToEnd<ffglex::ScopedBufferBinding>(
        GlCall("glBindBuffer", GL_COPY_READ_BUFFER, buffers[0]),
        GlCall("glBindBuffer", GL_COPY_READ_BUFFER, 0), GLenum{GL_COPY_READ_BUFFER}, buffers[0]);
    ExpectOneCallToBeginAndOneToEnd<ffglex::ScopedVBOBinding>(
        GlCall("glBindBuffer", GL_ARRAY_BUFFER, buffers[0]),
        GlCall("glBindBuffer", GL_ARRAY_BUFFER, 0), buffers[0]);
    ExpectOneCallToBeginAndOneToEnd<ffglex::ScopedShaderBinding>(
        GlCall("glUseProgram", program), GlCall("glUseProgram", 0), program);
    ExpectOneCallToBeginAndOneToEnd<ffglex::ScopedTextureUnitActivation>(
        GlCall("glActiveTexture", GL_TEXTURE3), GlCall("glActiveTexture", GL_TEXTURE0), 3u);
    ExpectOneCallToBeginAndOneToEnd<ffglex::ScopedVAOBinding>(
        GlCall("glBindVertexArray", vertexArrays[0]), GlCall("glBindVertexArray", 0),
        vertexArrays[0]);
}

TEST_F(ScopedBindings, TextureScopesEndWithZeroOnTheUnitActiveAtTheEnd)
{
    GLuint textures[3] = {};
    glGenTextures(3, textures);
    const GLuint hostTexture = textures[0];
    const GLuint texture = textures[1];
    glBindTexture(GL_TEXTURE_2D, hostTexture);
    {
        ffglex::Scoped2DTextureBinding binding(texture);
        EXPECT_EQ(GetName(GL_TEXTURE_BINDING_2D), texture);
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, hostTexture);
    }
    EXPECT_EQ(GetName(GL_TEXTURE_BINDING_2D), 0u);
    glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(GetName(GL_TEXTURE_BINDING_2D), texture);

    const GLuint cubeMap = textures[2];
    {
        ffglex::ScopedTextureBinding binding(GL_TEXTURE_CUBE_MAP, cubeMap);
        EXPECT_EQ(GetName(GL_TEXTURE_BINDING_CUBE_MAP), cubeMap);
        binding.Unbind();
        EXPECT_EQ(GetName(GL_TEXTURE_BINDING_CUBE_MAP), 0u);
        glBindTexture(GL_TEXTURE_CUBE_MAP, cubeMap);
    }
    EXPECT_EQ(GetName(GL_TEXTURE_BINDING_CUBE_MAP), cubeMap) << "unbound a second time";
}

TEST_F(ScopedBindings, VboScopeDeletedThroughItsBaseEndsOnce)
{
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    GlCallRecorder recorder;
    std::unique_ptr<ffglex::ScopedBufferBinding> scope =
        std::make_unique<ffglex::ScopedVBOBinding>(buffer);
    scope.reset();
    EXPECT_THAT(recorder.Calls(), ElementsAre(GlCall("glBindBuffer", GL_ARRAY_BUFFER, buffer),
                                              GlCall("glBindBuffer", GL_ARRAY_BUFFER, 0)));
}

} // namespace
} // namespace glutiltest
