#include "ffgl/PluginDescriptor.h"

#include <cstddef>

namespace ffgl
{
namespace
{
PluginDescriptor* registeredDescriptor = nullptr;

// Copies up to and including the first terminator; the bytes behind it stay zero, and a
// text as long as the field fills it without one.
template <std::size_t N> void CopyFixedText(char (&field)[N], const char* text)
{
    for (std::size_t i = 0; i < N && text; ++i)
    {
        field[i] = text[i];
        if (text[i] == '\0')
            break;
    }
}
} // namespace

PluginDescriptor::PluginDescriptor(PluginFactory pluginFactory, const PluginIdentity& identity,
                                   InitialiseHook initialise, DeinitialiseHook deinitialise)
    : aboutText(identity.about ? identity.about : ""),
      descriptionText(identity.description ? identity.description : ""), factory(pluginFactory),
      initialiseHook(initialise), deinitialiseHook(deinitialise)
{
    info.apiMajorVersion = identity.apiMajor;
    info.apiMinorVersion = identity.apiMinor;
    CopyFixedText(info.uniqueId, identity.uniqueId);
    CopyFixedText(info.pluginName, identity.name);
    info.pluginType = identity.pluginType;

    extendedInfo.pluginMajorVersion = identity.pluginMajor;
    extendedInfo.pluginMinorVersion = identity.pluginMinor;
    extendedInfo.description = descriptionText.c_str();
    extendedInfo.about = aboutText.c_str();
    extendedInfo.extendedDataSize = 0;
    extendedInfo.extendedData = nullptr;

    registeredDescriptor = this;
}

PluginDescriptor::~PluginDescriptor()
{
    if (registeredDescriptor == this)
        registeredDescriptor = nullptr;
}

std::uint32_t PluginDescriptor::CreateInstance(CFFGLPlugin** out) const
{
    *out = nullptr;
    if (!factory || factory(out) != kSuccess || *out == nullptr)
    {
        delete *out;
        *out = nullptr;
        return kFailure;
    }
    return kSuccess;
}

PluginDescriptor* GetPluginDescriptor()
{
    return registeredDescriptor;
}

} // namespace ffgl
