// How a check of the Windows test host fails: with a message saying what the plug-in did.
#pragma once

#include <stdexcept>
#include <string>

namespace wine_host
{
inline void Check(bool condition, const std::string& message)
{
    if (!condition)
        throw std::runtime_error(message);
}
} // namespace wine_host
