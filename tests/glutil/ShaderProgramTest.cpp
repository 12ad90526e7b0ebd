// Compile and link failures: one debug line with the right prefix and the driver's log, and
// nothing left behind.
#include "glutil/ShaderProgram.h"
#include "glutil/PassThroughShader.h"
#include "tests/glutil/EntryPointOverride.h"
#include "tests/glutil/GlCallRecorder.h"
#include "tests/glutil/GlTest.h"

#include <gmock/gmock.h>

#include <cstddef>
#include <string>

namespace glutiltest
{
namespace
{
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

constexpr const char* kVertexPrefix = "Vertex Shader error: ";
constexpr const char* kFragmentPrefix = "Fragment Shader error: ";
constexpr const char* kBrokenSource = "#version 410 core\nvoid main() { not glsl at all }\n";
// Compiles, but reads the pass-through vertex stage's vec2 output as a vec3.
constexpr const char* kMismatchedInputSource = "#version 410 core\n"
                                               "in vec3 uv;\n"
                                               "out vec4 fragColor;\n"
                                               "void main() { fragColor = uv.xyzx; }\n";

class ShaderProgramCompile : public GlTest
{
protected:
    // Compile's result; the standard output it produced goes to `output`.
    bool CompileCapturing(const char* vertexSource, const char* fragmentSource)
    {
        ::testing::internal::CaptureStdout();
        const bool compiled = program.Compile(vertexSource, fragmentSource);
        output = ::testing::internal::GetCapturedStdout();
        return compiled;
    }

    // Zero names make Release silent; in a fresh context shaders and programs get small names.
    void ExpectNothingLeft()
    {
        EXPECT_EQ(program.GetProgramId(), 0u);
        for (GLuint name = 1; name <= 16; ++name)
            EXPECT_FALSE(glIsShader(name) || glIsProgram(name)) << "object " << name << " alive";
        GlCallRecorder recorder;
        program.Release();
        EXPECT_THAT(recorder.Calls(), IsEmpty()) << "a deleted name was not zeroed";
    }

    ffglex::ShaderProgram program;
    std::string output;
};

std::size_t CountOf(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// One line of either kind, the given prefix first and a driver log after it.
void ExpectOneLineWithLog(const std::string& output, const std::string& prefix)
{
    EXPECT_THAT(output, StartsWith(prefix));
    EXPECT_EQ(CountOf(output, "Shader error: "), 1u) << output;
    EXPECT_GT(output.size(), prefix.size() + 1) << "no log after the prefix";
}

TEST_F(ShaderProgramCompile, NullOrEmptySourcesAreRefusedWithoutAnyGlCall)
{
    GlCallRecorder recorder;
    EXPECT_FALSE(CompileCapturing(nullptr, ffglex::passThroughFragmentSource));
    EXPECT_FALSE(CompileCapturing("", ffglex::passThroughFragmentSource));
    EXPECT_FALSE(CompileCapturing(ffglex::passThroughVertexSource, nullptr));
    EXPECT_FALSE(CompileCapturing(ffglex::passThroughVertexSource, ""));
    EXPECT_THAT(recorder.Calls(), IsEmpty());
    EXPECT_EQ(output, "");
}

TEST_F(ShaderProgramCompile, BadVertexSourceGivesOneVertexLineAndNoFragmentStage)
{
    {
        GlCallRecorder recorder;
        EXPECT_FALSE(CompileCapturing(kBrokenSource, ffglex::passThroughFragmentSource));
        EXPECT_THAT(recorder.Calls(), Not(Contains(GlCall("glCreateShader", GL_FRAGMENT_SHADER))));
    }
    ExpectOneLineWithLog(output, kVertexPrefix);
    ExpectNothingLeft();
}

TEST_F(ShaderProgramCompile, BadFragmentSourceGivesOneFragmentLine)
{
    EXPECT_FALSE(CompileCapturing(ffglex::passThroughVertexSource, kBrokenSource));
    ExpectOneLineWithLog(output, kFragmentPrefix);
    ExpectNothingLeft();
}

TEST_F(ShaderProgramCompile, StagesThatDoNotLinkGiveOneFragmentLineWithTheLinkLog)
{
    EXPECT_FALSE(CompileCapturing(ffglex::passThroughVertexSource, kMismatchedInputSource));
    ExpectOneLineWithLog(output, kFragmentPrefix);
    EXPECT_THAT(output, HasSubstr("uv"));
    ExpectNothingLeft();
}

// GL writes no status or log for the name 0, so the line can only be the prefix alone.
TEST_F(ShaderProgramCompile, ObjectsGlDoesNotHandOutFailWithThePrefixAlone)
{
    {
        EntryPointOverride noShader(
            __glewCreateShader, +[](GLenum) -> GLuint { return 0; });
        EXPECT_FALSE(
            CompileCapturing(ffglex::passThroughVertexSource, ffglex::passThroughFragmentSource));
        EXPECT_EQ(output, std::string(kVertexPrefix) + "\n");
        ExpectNothingLeft();
    }
    EntryPointOverride noProgram(
        __glewCreateProgram, +[]() -> GLuint { return 0; });
    EXPECT_FALSE(
        CompileCapturing(ffglex::passThroughVertexSource, ffglex::passThroughFragmentSource));
    EXPECT_EQ(output, std::string(kFragmentPrefix) + "\n");
    ExpectNothingLeft();
}

} // namespace
} // namespace glutiltest
