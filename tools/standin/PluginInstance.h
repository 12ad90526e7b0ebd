// One GL instance of the plug-in, deleted at the end of its scope. Lives inside the scope of
// the GL context it was made with.
#pragma once

#include "tools/testhost/PluginLibrary.h"

namespace standin
{

class PluginInstance
{
public:
    // Throws std::runtime_error when the plug-in refuses to instantiate.
    PluginInstance(const testhost::PluginLibrary& plugin, const testhost::ViewportIn& viewport);
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    void* Id() const { return id; }

private:
    const testhost::PluginLibrary& library;
    void* id = nullptr;
};

} // namespace standin
