// Where the stand-in finds the plug-in when none is named.
#pragma once

#include <string>

namespace standin
{

// The plug-in file beside this program (an installed layout) when there is one, else the one
// this build made.
std::string DefaultPluginPath();

} // namespace standin
