// A setting from the command line, NAME=VALUE, checked against the plug-in's parameters and
// then handed to a GL instance.
#pragma once

#include "tools/standin/ParameterTable.h"
#include "tools/testhost/PluginLibrary.h"

#include <string>
#include <string_view>

namespace standin
{

struct ParameterAssignment
{
    const ParameterInfo* parameter = nullptr;
    float value = 0.0f; // numeric types
    std::string text;   // text types
};

// Names may themselves hold "=" ("Layer (0=sel)=3"): the value follows the parameter name
// that the setting starts with, followed by "=". Switches take on/off (also true/false,
// yes/no, 1/0); text parameters any text; other types a number within the parameter's range.
// Event parameters are pressed, not set. Throws UsageError naming the problem.
ParameterAssignment ResolveAssignment(const ParameterTable& table, std::string_view setting);

// Throws std::runtime_error when the plug-in refuses the value.
void ApplyAssignment(const testhost::PluginLibrary& plugin, void* instance,
                     const ParameterAssignment& assignment);

} // namespace standin
