// The process-wide description of the plug-in: the two records the host reads and the factory.
#pragma once

#include "ffgl/FFGLPlugin.h"
#include "ffgl/FFGLTypes.h"

#include <cstdint>
#include <string>

namespace ffgl
{

struct PluginIdentity
{
    const char* uniqueId;
    const char* name;
    std::uint32_t apiMajor;
    std::uint32_t apiMinor;
    std::uint32_t pluginMajor;
    std::uint32_t pluginMinor;
    std::uint32_t pluginType;
    const char* description;
    const char* about;
};

// One object with static storage; its constructor registers it as the process's descriptor
// and its destructor withdraws it. Not copyable: the records point into its own texts.
class PluginDescriptor
{
public:
    using InitialiseHook = std::uint32_t (*)();
    using DeinitialiseHook = void (*)();

    PluginDescriptor(PluginFactory factory, const PluginIdentity& identity,
                     InitialiseHook initialiseHook = nullptr,
                     DeinitialiseHook deinitialiseHook = nullptr);
    ~PluginDescriptor();
    PluginDescriptor(const PluginDescriptor&) = delete;
    PluginDescriptor& operator=(const PluginDescriptor&) = delete;

    const PluginInfo& Info() const { return info; }
    const PluginExtendedInfo& ExtendedInfo() const { return extendedInfo; }
    // Answers kSuccess with an object in `out`, or kFailure with nothing created.
    std::uint32_t CreateInstance(CFFGLPlugin** out) const;
    InitialiseHook GetInitialiseHook() const { return initialiseHook; }
    DeinitialiseHook GetDeinitialiseHook() const { return deinitialiseHook; }

private:
    PluginInfo info{};
    PluginExtendedInfo extendedInfo{};
    std::string aboutText;
    std::string descriptionText;
    PluginFactory factory;
    InitialiseHook initialiseHook;
    DeinitialiseHook deinitialiseHook;
};

// The registered descriptor, or null before one is built.
PluginDescriptor* GetPluginDescriptor();

} // namespace ffgl
