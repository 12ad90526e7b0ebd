#include "platform/DebugChannel.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdio>
#endif

namespace platform
{
void WriteToDebugger(const char* text)
{
#ifdef _WIN32
    OutputDebugStringA(text);
#else
    std::fputs(text, stderr);
    std::fflush(stderr);
#endif
}
} // namespace platform
