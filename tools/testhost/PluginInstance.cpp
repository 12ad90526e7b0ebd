#include "tools/testhost/PluginInstance.h"

#include <stdexcept>

namespace testhost
{
PluginInstance::PluginInstance(const PluginLibrary& plugin, const ViewportIn& viewport)
    : library(plugin), id(plugin.InstantiateGL(viewport))
{
    if (!id)
        throw std::runtime_error("the plug-in refused to instantiate (InstantiateGL failed)");
}

PluginInstance::~PluginInstance()
{
    if (id)
        Deinstantiate();
}

std::uint32_t PluginInstance::Deinstantiate()
{
    const std::uint32_t result = library.DeinstantiateGL(id);
    id = nullptr;
    return result;
}
} // namespace testhost
