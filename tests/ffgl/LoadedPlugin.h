// The built plug-in, loaded once per test process, with its host-log lines collected.
#pragma once

#include "tools/testhost/PluginLibrary.h"

#include <string>
#include <vector>

namespace vdrxtest
{

inline std::vector<std::string>& HostLogLines()
{
    static std::vector<std::string> lines;
    return lines;
}

inline void CollectHostLog(const char* text)
{
    HostLogLines().emplace_back(text);
}

inline testhost::PluginLibrary& LoadedPlugin()
{
    static testhost::PluginLibrary library(VDRX_PLUGIN_PATH);
    return library;
}

} // namespace vdrxtest
