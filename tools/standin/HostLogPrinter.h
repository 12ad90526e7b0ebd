// The plug-in's host-log lines, printed on the console while this object lives. The callback
// carries no context, so one printer at a time (render thread only, where the plug-in logs).
#pragma once

#include "tools/standin/Console.h"
#include "tools/testhost/PluginLibrary.h"

namespace standin
{

class HostLogPrinter
{
public:
    HostLogPrinter(const testhost::PluginLibrary& plugin, Console& console);
    ~HostLogPrinter();
    HostLogPrinter(const HostLogPrinter&) = delete;
    HostLogPrinter& operator=(const HostLogPrinter&) = delete;

private:
    const testhost::PluginLibrary& library;
};

} // namespace standin
