#include "ffgl/HostLog.h"

#include "platform/DebugChannel.h"

#include <cstdio>
#include <string>

namespace ffgl
{
namespace
{
LogCallback hostLogCallback = nullptr;
}

void SetHostLogCallback(LogCallback callback)
{
    hostLogCallback = callback;
}

void SendHostLog(const char* text)
{
    if (hostLogCallback && text)
        hostLogCallback(text);
}

void WriteDebugLine(const char* first, const char* second)
{
    std::string line = first ? first : "";
    line += second ? second : "";
    platform::WriteToDebugger(line.c_str());
    platform::WriteToDebugger("\n");
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
} // namespace ffgl
