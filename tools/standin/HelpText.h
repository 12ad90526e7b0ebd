// What --help prints.
#pragma once

#include <string>

namespace standin
{

std::string HelpText(const std::string& defaultPlugin);

} // namespace standin
