// Where the stand-in finds the plug-in.
#pragma once

#include <string>

namespace standin
{

// The plug-in file beside this program (an installed layout) when there is one, else the one
// this build made.
std::string DefaultPluginPath();

// The file named on the command line as a full path, so that a bare file name means the one in
// the current folder and not a search of the system's library folders; empty: the default.
std::string ResolvePluginPath(const std::string& given);

} // namespace standin
