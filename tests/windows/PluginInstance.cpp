#include "tests/windows/PluginInstance.h"

#include "tests/windows/Check.h"

namespace wine_host
{
PluginInstance::PluginInstance(const testhost::PluginLibrary& library,
                               const testhost::ViewportIn& viewport)
    : plugin(library), id(library.InstantiateGL(viewport))
{
    Check(id != nullptr, "InstantiateGL (code 18) answered failure");
}

PluginInstance::~PluginInstance()
{
    if (id)
        Deinstantiate();
}

std::uint32_t PluginInstance::Deinstantiate()
{
    const std::uint32_t result = plugin.DeinstantiateGL(id);
    id = nullptr;
    return result;
}
} // namespace wine_host
