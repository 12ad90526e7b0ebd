#include "tools/standin/HostLogPrinter.h"

#include <string>

namespace standin
{
namespace
{
Console* target = nullptr;

void PrintLogLine(const char* text)
{
    if (target && text)
        target->Detail(std::string("host log: ") + text);
}
} // namespace

HostLogPrinter::HostLogPrinter(const testhost::PluginLibrary& plugin, Console& console)
    : library(plugin)
{
    target = &console;
    library.SetLogCallback(&PrintLogLine);
}

HostLogPrinter::~HostLogPrinter()
{
    library.SetLogCallback(nullptr);
    target = nullptr;
}

} // namespace standin
