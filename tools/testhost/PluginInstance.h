// One GL instance of the plug-in, created with InstantiateGL and deleted with DeinstantiateGL at
// the end of its scope, so that a failed check never leaves an instance behind. Lives inside the
// scope of the GL context it was made with, which must be current.
#pragma once

#include "tools/testhost/PluginLibrary.h"

#include <cstdint>

namespace testhost
{
class PluginInstance
{
public:
    // Throws std::runtime_error when the plug-in refuses the instance.
    PluginInstance(const PluginLibrary& plugin, const ViewportIn& viewport);
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    void* Id() const { return id; }
    // Deletes the instance now and answers DeinstantiateGL's result.
    std::uint32_t Deinstantiate();

private:
    const PluginLibrary& library;
    void* id;
};
} // namespace testhost
