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
};

template <auto& entry, Kind kind> void Wrap()
{
    using Wrapper = Tracked<entry, kind>;
    Wrapper::original = std::exchange(entry, &Wrapper::Call);
}

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
    Wrap<__glewCreateProgram, Kind::Program>();
    Wrap<__glewDeleteProgram, Kind::Program>();
    Wrap<__glewCreateShader, Kind::Shader>();
    Wrap<__glewDeleteShader, Kind::Shader>();
    Wrap<__glewGenBuffers, Kind::Buffer>();
    Wrap<__glewDeleteBuffers, Kind::Buffer>();
    Wrap<__glewGenVertexArrays, Kind::VertexArray>();
    Wrap<__glewDeleteVertexArrays, Kind::VertexArray>();
    Wrap<__glewGenFramebuffers, Kind::Framebuffer>();
    Wrap<__glewDeleteFramebuffers, Kind::Framebuffer>();
    Wrap<__glewGenRenderbuffers, Kind::Renderbuffer>();
    Wrap<__glewDeleteRenderbuffers, Kind::Renderbuffer>();
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
