#include "tools/standin/Console.h"

namespace standin
{
namespace
{
// Back to the line start, then erase to its end.
constexpr const char* kEraseLine = "\r\x1b[K";
} // namespace

Console::Console(std::FILE* output, bool liveStatus) : out(output), live(liveStatus)
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
    DrawStatus();
}

void Console::Status(std::string_view text)
{
    if (!live)
    {
        Line(text);
        return;
    }
    status = text;
    DrawStatus();
}

void Console::EndStatus()
{
    if (!status.empty())
        std::fputs("\n", out);
    status.clear();
    std::fflush(out);
}

void Console::ClearStatus()
{
    if (!status.empty())
        std::fputs(kEraseLine, out);
}

void Console::DrawStatus()
{
    if (!status.empty())
        std::fprintf(out, "%s%s", kEraseLine, status.c_str());
    std::fflush(out);
}

} // namespace standin
