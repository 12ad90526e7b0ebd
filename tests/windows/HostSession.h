// What the Windows test host's checks share: the plug-in as the host loaded it, and the link to
// the receiver on the Linux side. Render thread, with the host's GL context current.
#pragma once

#include "tests/windows/CatcherLink.h"
#include "tools/testhost/PluginLibrary.h"

#include <optional>

namespace wine_host
{
// The plug-in's file name, found in the host program's folder as in a host's plug-in folder.
inline constexpr const char* kPluginFile = VDRX_PLUGIN_PATH;

class HostSession
{
public:
    // Without a port, the checks that make the plug-in send fail for want of a receiver.
    explicit HostSession(std::optional<std::uint16_t> catcherPort);

    // Loads the plug-in at the first call and keeps it for the rest of the process; its host
    // log lines gather in vdrxtest::HostLogLines().
    const testhost::PluginLibrary& Plugin() const;
    // Throws std::runtime_error when the program was started without a receiver.
    const CatcherLink& Catcher() const;

private:
    std::optional<CatcherLink> catcher;
};
} // namespace wine_host
