#include "fuzz/GlObjectLedger.h"

#include "fuzz/FuzzCheck.h"

#include <GL/glew.h>

#include <cstdio>
#include <map>
#include <type_traits>
#include <utility>

namespace hostfuzz::GlObjectLedger
{
namespace
{
enum class Kind
{
    Program,
    Shader,
    Buffer,
    VertexArray,
    Framebuffer,
    Renderbuffer,
};

// Marks what the call under way created.
const int thisCall = 0;
std::map<std::pair<Kind, GLuint>, const void*> live;

void Created(Kind kind, GLuint name)
{
    if (name != 0)
        live[{kind, name}] = &thisCall;
}

void Deleted(Kind kind, GLuint name)
{
    live.erase({kind, name});
}

template <auto& entry, Kind kind, typename Function = std::remove_reference_t<decltype(entry)>>
struct Tracked;

// glCreateProgram, glCreateShader.
template <auto& entry, Kind kind, typename... Args>
struct Tracked<entry, kind, GLuint(GLAPIENTRY*)(Args...)>
{
    static inline GLuint(GLAPIENTRY* original)(Args...) = nullptr;
    static GLuint GLAPIENTRY Call(Args... args)
    {
        const GLuint name = original(args...);
        Created(kind, name);
        return name;
    }
    static void Install()
    {
        original = entry;
        entry = &Call;
    }
};

// glGenBuffers and the like.
template <auto& entry, Kind kind> struct Tracked<entry, kind, void(GLAPIENTRY*)(GLsizei, GLuint*)>
{
    static inline void(GLAPIENTRY* original)(GLsizei, GLuint*) = nullptr;
    static void GLAPIENTRY Call(GLsizei count, GLuint* names)
    {
        original(count, names);
        for (GLsizei i = 0; i < count; ++i)
            Created(kind, names[i]);
    }
    static void Install()
    {
        original = entry;
        entry = &Call;
    }
};

// glDeleteBuffers and the like.
template <auto& entry, Kind kind>
struct Tracked<entry, kind, void(GLAPIENTRY*)(GLsizei, const GLuint*)>
{
    static inline void(GLAPIENTRY* original)(GLsizei, const GLuint*) = nullptr;
    static void GLAPIENTRY Call(GLsizei count, const GLuint* names)
    {
        original(count, names);
        for (GLsizei i = 0; i < count; ++i)
            Deleted(kind, names[i]);
    }
    static void Install()
    {
        original = entry;
        entry = &Call;
    }
};

// glDeleteProgram, glDeleteShader.
template <auto& entry, Kind kind> struct Tracked<entry, kind, void(GLAPIENTRY*)(GLuint)>
{
    static inline void(GLAPIENTRY* original)(GLuint) = nullptr;
    static void GLAPIENTRY Call(GLuint name)
    {
        original(name);
        Deleted(kind, name);
    }
    static void Install()
    {
        original = entry;
        entry = &Call;
    }
};

bool Owns(const void* owner)
{
    for (const auto& [object, objectOwner] : live)
        if (objectOwner == owner)
        {
            std::fprintf(stderr, "host fuzzer: GL object %u (kind %d) left behind\n", object.second,
                         static_cast<int>(object.first));
            return true;
        }
    return false;
}
} // namespace

void Install()
{
    Tracked<__glewCreateProgram, Kind::Program>::Install();
    Tracked<__glewDeleteProgram, Kind::Program>::Install();
    Tracked<__glewCreateShader, Kind::Shader>::Install();
    Tracked<__glewDeleteShader, Kind::Shader>::Install();
    Tracked<__glewGenBuffers, Kind::Buffer>::Install();
    Tracked<__glewDeleteBuffers, Kind::Buffer>::Install();
    Tracked<__glewGenVertexArrays, Kind::VertexArray>::Install();
    Tracked<__glewDeleteVertexArrays, Kind::VertexArray>::Install();
    Tracked<__glewGenFramebuffers, Kind::Framebuffer>::Install();
    Tracked<__glewDeleteFramebuffers, Kind::Framebuffer>::Install();
    Tracked<__glewGenRenderbuffers, Kind::Renderbuffer>::Install();
    Tracked<__glewDeleteRenderbuffers, Kind::Renderbuffer>::Install();
}

void EndCall(const void* owner)
{
    if (owner == nullptr)
    {
        FUZZ_CHECK(!Owns(&thisCall));
        return;
    }
    for (auto& [object, objectOwner] : live)
        if (objectOwner == &thisCall)
            objectOwner = owner;
}

void CheckReleased(const void* owner)
{
    FUZZ_CHECK(!Owns(owner));
}
} // namespace hostfuzz::GlObjectLedger
