#include "glutil/ShaderProgram.h"

#include "ffgl/HostLog.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>
#include <vector>

namespace ffglex
{
namespace
{
static_assert(std::is_same_v<GLuint, std::uint32_t> && std::is_same_v<GLenum, std::uint32_t>);
static_assert(std::is_same_v<GLint, std::int32_t>);

constexpr const char* kVertexErrorPrefix = "Vertex Shader error: ";
constexpr const char* kFragmentErrorPrefix = "Fragment Shader error: ";
// Link logs are cut to 1022 characters: the driver gets one byte less than the buffer.
constexpr GLsizei kLinkLogBufferSize = 1024;

bool IsEmpty(const char* text)
{
    return text == nullptr || text[0] == '\0';
}

// GL writes no status, length or log for a name it never handed out (0), so every value a
// query would fill starts as the failure answer: such a stage or link fails with an empty log.

// The whole log, however long the driver says it is.
void WriteStageLog(GLuint shader, const char* prefix)
{
    GLint logLength = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &logLength);
    const GLsizei bufferSize = std::max(logLength, 0);
    std::vector<GLchar> log(static_cast<std::size_t>(bufferSize) + 1, '\0');
    glGetShaderInfoLog(shader, bufferSize, nullptr, log.data());
    ffgl::WriteDebugLine(prefix, log.data());
}

void WriteLinkLog(GLuint program)
{
    GLchar log[kLinkLogBufferSize] = {};
    GLsizei length = 0;
    glGetProgramInfoLog(program, kLinkLogBufferSize - 1, &length, log);
    log[std::clamp(length, 0, kLinkLogBufferSize - 2)] = '\0';
    ffgl::WriteDebugLine(kFragmentErrorPrefix, log);
}

} // namespace

bool ShaderProgram::Compile(const char* vertexSource, const char* fragmentSource)
{
    if (IsEmpty(vertexSource) || IsEmpty(fragmentSource))
        return false;
    if (!CompileStage(GL_VERTEX_SHADER, vertexSource, vertexShaderId) ||
        !CompileStage(GL_FRAGMENT_SHADER, fragmentSource, fragmentShaderId) || !Link())
    {
        Release();
        return false;
    }
    // The stages stay attached and alive until Release.
    return true;
}

bool ShaderProgram::CompileStage(std::uint32_t type, const char* source, std::uint32_t& stageId)
{
    stageId = glCreateShader(type);
    glShaderSource(stageId, 1, &source, nullptr);
    glCompileShader(stageId);
    GLint status = GL_FALSE;
    glGetShaderiv(stageId, GL_COMPILE_STATUS, &status);
    if (status == GL_TRUE)
        return true;
    WriteStageLog(stageId, type == GL_VERTEX_SHADER ? kVertexErrorPrefix : kFragmentErrorPrefix);
    return false;
}

bool ShaderProgram::Link()
{
    programId = glCreateProgram();
    glAttachShader(programId, vertexShaderId);
    glAttachShader(programId, fragmentShaderId);
    glLinkProgram(programId);
    GLint status = GL_FALSE;
    glGetProgramiv(programId, GL_LINK_STATUS, &status);
    if (status == GL_TRUE)
        return true;
    WriteLinkLog(programId);
    return false;
}

void ShaderProgram::Release()
{
    for (std::uint32_t* stageId : {&vertexShaderId, &fragmentShaderId})
    {
        if (*stageId != 0)
            glDeleteShader(*stageId);
        *stageId = 0;
    }
    if (programId != 0)
        glDeleteProgram(programId);
    programId = 0;
    located = {};
}

void ShaderProgram::LocateUniforms(std::initializer_list<const char*> names)
{
    std::size_t next = 0;
    for (const char* name : names)
        if (next < located.size())
            located[next++] = LocatedUniform{name, glGetUniformLocation(programId, name)};
}

std::int32_t ShaderProgram::Location(const char* name) const
{
    for (const LocatedUniform& uniform : located)
        if (uniform.name && std::strcmp(uniform.name, name) == 0)
            return uniform.location;
    return glGetUniformLocation(programId, name);
}

void ShaderProgram::SetUniform(const char* name, std::int32_t value) const
{
    glUniform1i(Location(name), value);
}

void ShaderProgram::SetUniform(const char* name, float x, float y) const
{
    glUniform2f(Location(name), x, y);
}

} // namespace ffglex
