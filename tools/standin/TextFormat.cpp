#include "tools/standin/TextFormat.h"

#include <cstdarg>
#include <cstdio>

namespace standin
{

std::string FormatText(const char* format, ...)
{
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

std::string Quoted(std::string_view text)
{
    // Appended piece by piece: GCC 12 warns falsely about "\"" + text at -O3.
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    quoted += text;
    quoted += '"';
    return quoted;
}

} // namespace standin
