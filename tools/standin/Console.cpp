#include "tools/standin/Console.h"

namespace standin
{
namespace
{
// Back to the line start, then erase to its end.
constexpr const char* kEraseLine = "\r\x1b[K";
} // namespace

Console::Console(std::FILE* output, bool liveStatus, bool quietOutput)
    : out(output), live(liveStatus), quiet(quietOutput)
{
}

Console::~Console()
{
    EndStatus();
}

void Console::Line(std::string_view text)
{
    ClearStatus();
    std::fprintf(out, "%.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(out);
}

void Console::Detail(std::string_view text)
{
    if (!quiet)
        Line(text);
}

void Console::Status(std::string_view text)
{
    if (!live)
    {
        Detail(text);
        return;
    }
    if (quiet)
        return;
    std::fprintf(out, "%s%.*s", kEraseLine, static_cast<int>(text.size()), text.data());
    statusShown = true;
    std::fflush(out);
}

void Console::EndStatus()
{
    if (statusShown)
        std::fputs("\n", out);
    statusShown = false;
    std::fflush(out);
}

void Console::ClearStatus()
{
    if (statusShown)
        std::fputs(kEraseLine, out);
    statusShown = false;
}

} // namespace standin
