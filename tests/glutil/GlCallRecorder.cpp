#include "tests/glutil/GlCallRecorder.h"

#include <GL/glew.h>

#include <stdexcept>

namespace glutiltest
{
namespace
{
std::vector<std::string> recordedCalls;
// A second recorder would wrap the first one's wrappers and forward to itself.
bool recorderAlive = false;

template <auto& entryPoint, typename Function = std::remove_reference_t<decltype(entryPoint)>>
struct Recorded;

// Stands in for one entry point: records the call, then forwards it to GLEW's original.
template <auto& entryPoint, typename Result, typename... Args>
struct Recorded<entryPoint, Result(GLAPIENTRY*)(Args...)>
{
    static inline Result(GLAPIENTRY* original)(Args...) = nullptr;
    static inline const char* name = nullptr;

    static Result GLAPIENTRY Call(Args... args)
    {
        recordedCalls.push_back(GlCall(name, args...));
        return original(args...);
    }
    static void Install(const char* functionName)
    {
        name = functionName;
        original = entryPoint;
        entryPoint = &Call;
    }
    static void Restore() { entryPoint = original; }
};

struct Hook
{
    const char* name;
    void (*install)(const char*);
    void (*restore)();
};

template <auto& entryPoint> constexpr Hook HookOf(const char* name)
{
    return {name, &Recorded<entryPoint>::Install, &Recorded<entryPoint>::Restore};
}

// Every GLEW entry point the GL utilities call.
const Hook kHooks[] = {
    HookOf<__glewActiveTexture>("glActiveTexture"),
    HookOf<__glewAttachShader>("glAttachShader"),
    HookOf<__glewBindBuffer>("glBindBuffer"),
    HookOf<__glewBindVertexArray>("glBindVertexArray"),
    HookOf<__glewBufferData>("glBufferData"),
    HookOf<__glewCompileShader>("glCompileShader"),
    HookOf<__glewCreateProgram>("glCreateProgram"),
    HookOf<__glewCreateShader>("glCreateShader"),
    HookOf<__glewDeleteBuffers>("glDeleteBuffers"),
    HookOf<__glewDeleteProgram>("glDeleteProgram"),
    HookOf<__glewDeleteShader>("glDeleteShader"),
    HookOf<__glewDeleteVertexArrays>("glDeleteVertexArrays"),
    HookOf<__glewEnableVertexAttribArray>("glEnableVertexAttribArray"),
    HookOf<__glewGenBuffers>("glGenBuffers"),
    HookOf<__glewGenVertexArrays>("glGenVertexArrays"),
    HookOf<__glewGetProgramInfoLog>("glGetProgramInfoLog"),
    HookOf<__glewGetProgramiv>("glGetProgramiv"),
    HookOf<__glewGetShaderInfoLog>("glGetShaderInfoLog"),
    HookOf<__glewGetShaderiv>("glGetShaderiv"),
    HookOf<__glewGetUniformLocation>("glGetUniformLocation"),
    HookOf<__glewLinkProgram>("glLinkProgram"),
    HookOf<__glewShaderSource>("glShaderSource"),
    HookOf<__glewUniform1i>("glUniform1i"),
    HookOf<__glewUniform2f>("glUniform2f"),
    HookOf<__glewUseProgram>("glUseProgram"),
    HookOf<__glewVertexAttribPointer>("glVertexAttribPointer"),
};

} // namespace

GlCallRecorder::GlCallRecorder()
{
    if (recorderAlive)
        throw std::logic_error("only one GlCallRecorder at a time");
    recorderAlive = true;
    recordedCalls.clear();
    for (const Hook& hook : kHooks)
        hook.install(hook.name);
}

GlCallRecorder::~GlCallRecorder()
{
    for (const Hook& hook : kHooks)
        hook.restore();
    recorderAlive = false;
}

const std::vector<std::string>& GlCallRecorder::Calls() const
{
    return recordedCalls;
}

void GlCallRecorder::Clear()
{
    recordedCalls.clear();
}

} // namespace glutiltest
