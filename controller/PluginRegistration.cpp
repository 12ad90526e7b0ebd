// Builds and registers the process-wide descriptor when the library loads.
#include "controller/VendrolixPro.h"
#include "ffgl/PluginDescriptor.h"

namespace
{
constexpr ffgl::PluginIdentity kIdentity{
    .uniqueId = "VDRX",
    .name = "VendrolixOSC",
    .apiMajor = 2,
    .apiMinor = 1,
    .pluginMajor = 1,
    .pluginMinor = 0,
    .pluginType = 0, // effect
    .description = "Vendrolix: after N seconds from clip start, set selected layer transition "
                   "duration and trigger selected layer next clip via OSC.",
    .about = "Vazezoda FFGL",
};

const ffgl::PluginDescriptor descriptor(&VendrolixPro::Create, kIdentity);
} // namespace
