// The plug-in's parameters as a table: name, type, default, range and what the instance
// displays for each now.
#pragma once

#include "tools/standin/Console.h"
#include "tools/standin/ParameterTable.h"
#include "tools/testhost/PluginLibrary.h"

namespace standin
{

void PrintParameters(Console& console, const testhost::PluginLibrary& plugin, void* instance,
                     const ParameterTable& table);

} // namespace standin
