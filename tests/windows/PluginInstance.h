// One GL instance of the plug-in, created with InstantiateGL and deleted with DeinstantiateGL,
// so that a failed check never leaves an instance behind. Needs the GL context current.
#pragma once

#include "tools/testhost/PluginLibrary.h"

#include <cstdint>

namespace wine_host
{
class PluginInstance
{
public:
    // Throws std::runtime_error when the plug-in refuses the instance.
    PluginInstance(const testhost::PluginLibrary& plugin, const testhost::ViewportIn& viewport);
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    void* Id() const { return id; }
    // Deletes the instance now and answers DeinstantiateGL's result.
    std::uint32_t Deinstantiate();

private:
    const testhost::PluginLibrary& plugin;
    void* id;
};
} // namespace wine_host
