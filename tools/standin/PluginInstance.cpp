#include "tools/standin/PluginInstance.h"

#include <stdexcept>

namespace standin
{

PluginInstance::PluginInstance(const testhost::PluginLibrary& plugin,
                               const testhost::ViewportIn& viewport)
    : library(plugin), id(plugin.InstantiateGL(viewport))
{
    if (!id)
        throw std::runtime_error("the plug-in refused to instantiate (InstantiateGL failed)");
}

PluginInstance::~PluginInstance()
{
    library.DeinstantiateGL(id);
}

} // namespace standin
