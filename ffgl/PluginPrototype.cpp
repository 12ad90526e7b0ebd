#include "ffgl/PluginPrototype.h"

#include "ffgl/PluginDescriptor.h"

#include <memory>

namespace ffgl
{
namespace
{
std::unique_ptr<CFFGLPlugin> prototype;
}

std::uint32_t Initialise()
{
    const PluginDescriptor* descriptor = GetPluginDescriptor();
    if (!descriptor)
        return kFailure;
    if (auto hook = descriptor->GetInitialiseHook())
    {
        if (const std::uint32_t result = hook(); result != kSuccess)
            return result;
    }
    if (!prototype)
    {
        CFFGLPlugin* created = nullptr;
        if (descriptor->CreateInstance(&created) != kSuccess)
            return kFailure;
        prototype.reset(created);
    }
    return kSuccess;
}

CFFGLPlugin* EnsurePrototype()
{
    if (!prototype && Initialise() != kSuccess)
        return nullptr;
    return prototype.get();
}

std::uint32_t Deinitialise()
{
    const PluginDescriptor* descriptor = GetPluginDescriptor();
    if (!descriptor)
        return kFailure;
    prototype.reset();
    if (auto hook = descriptor->GetDeinitialiseHook())
        hook();
    return kSuccess;
}
} // namespace ffgl
