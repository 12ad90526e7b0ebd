// The plug-in's parameters as a table: name, type, default, range and the value the instance
// holds now, numbers with their units.
#pragma once

#include "tools/standin/ParameterTable.h"
#include "tools/testhost/PluginLibrary.h"

#include <string>
#include <vector>

namespace standin
{

// A heading, then one line per parameter.
std::vector<std::string> ParameterLines(const testhost::PluginLibrary& plugin, void* instance,
                                        const ParameterTable& table);

} // namespace standin
