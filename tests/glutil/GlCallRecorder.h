// Logs each call the GL utilities make through GLEW's entry points while an instance lives,
// as text such as "glBindBuffer(34962, 7)". OpenGL 1.1 functions (glBindTexture, glDrawArrays)
// are no GLEW pointers: tests see those through GL state instead.
#pragma once

#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

namespace glutiltest
{

// Integers as numbers, floats to 9 significant digits (exact for the values tests use),
// pointers as "*".
template <typename... Args> std::string GlCall(const char* name, Args... args)
{
    std::ostringstream text;
    text.precision(9);
    text << name << '(';
    const char* separator = "";
    [[maybe_unused]] auto append = [&](auto arg)
    {
        text << separator;
        separator = ", ";
        if constexpr (std::is_pointer_v<decltype(arg)>)
            text << '*';
        else if constexpr (std::is_floating_point_v<decltype(arg)>)
            text << arg;
        else
            text << +arg;
    };
    (append(args), ...);
    text << ')';
    return text.str();
}

// One at a time (a second one throws); construct it after GLEW has loaded, and the entry
// points are swapped back at its end.
class GlCallRecorder
{
public:
    GlCallRecorder();
    ~GlCallRecorder();
    GlCallRecorder(const GlCallRecorder&) = delete;
    GlCallRecorder& operator=(const GlCallRecorder&) = delete;

    const std::vector<std::string>& Calls() const;
    void Clear();
};

} // namespace glutiltest
