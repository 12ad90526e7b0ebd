// A GL program linked from a vertex and a fragment stage, with uniforms set by name.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>

namespace ffglex
{

// Render thread, host's context current. Owns its GL objects but deletes them only in
// Release: the destructor makes no GL call, since the context may be gone by then.
class ShaderProgram
{
public:
    ShaderProgram() = default;
    ShaderProgram(const ShaderProgram&) = delete;
    ShaderProgram& operator=(const ShaderProgram&) = delete;

    // NUL-terminated sources; either may be null. True when a program was linked. A null or
    // empty source returns false with no GL call; any later failure writes one debug line and
    // leaves the wrapper empty. Called on an empty wrapper.
    bool Compile(const char* vertexSource, const char* fragmentSource);
    // Deletes whatever objects exist and zeroes their names; repeatable.
    void Release();
    // 0 when there is no program.
    std::uint32_t GetProgramId() const { return programId; }

    // Looks the locations of these uniforms up once, after linking, so that setting them per
    // frame asks GL nothing. At most four names, which must outlive the program; Release forgets
    // them.
    void LocateUniforms(std::initializer_list<const char*> names);

    // Act on the program in use (see ScopedShaderBinding). A name not located beforehand is
    // looked up on the call; a name the program lacks gives location -1, which GL ignores.
    void SetUniform(const char* name, std::int32_t value) const;
    void SetUniform(const char* name, float x, float y) const;

private:
    // Creates, fills and compiles one stage into `stageId`, stored before anything can fail.
    bool CompileStage(std::uint32_t type, const char* source, std::uint32_t& stageId);
    bool Link();
    std::int32_t Location(const char* name) const;

    std::uint32_t vertexShaderId = 0;
    std::uint32_t fragmentShaderId = 0;
    std::uint32_t programId = 0;

    struct LocatedUniform
    {
        const char* name = nullptr;
        std::int32_t location = -1;
    };
    std::array<LocatedUniform, 4> located{};
};

} // namespace ffglex
