#include "tests/windows/HostSession.h"

#include "tests/ffgl/LoadedPlugin.h"
#include "tests/windows/Check.h"

namespace wine_host
{
HostSession::HostSession(std::optional<std::uint16_t> catcherPort)
{
    if (catcherPort)
        catcher.emplace(*catcherPort);
}

const testhost::PluginLibrary& HostSession::Plugin() const
{
    testhost::PluginLibrary& plugin = vdrxtest::LoadedPlugin();
    plugin.SetLogCallback(&vdrxtest::CollectHostLog);
    return plugin;
}

const CatcherLink& HostSession::Catcher() const
{
    Check(catcher.has_value(), "no receiver: run the host with --osc-port PORT");
    return *catcher;
}
} // namespace wine_host
