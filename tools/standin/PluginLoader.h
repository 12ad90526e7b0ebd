// Opening a plug-in file the way a video host does, with an answer fit for the user when the
// file is no FFGL 2 plug-in.
#pragma once

#include "tools/testhost/PluginLibrary.h"

#include <memory>
#include <string>

namespace standin
{

// Throws std::runtime_error naming the file and the reason when it cannot be loaded, lacks
// the exports, or speaks another major version of the standard.
std::unique_ptr<testhost::PluginLibrary> LoadPlugin(const std::string& path);

// "VendrolixOSC (VDRX) 1.0, FFGL 2.1 effect"
std::string DescribePlugin(const testhost::PluginLibrary& plugin);

} // namespace standin
