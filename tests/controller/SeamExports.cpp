// Built only into a test copy of the plug-in: lets a test hold a sender thread inside the
// name lookup, from outside the library, the way a slow resolver would.
#include "platform/Export.h"
#include "platform/UdpSocketApi.h"

#include <vector>

namespace
{
void (*beforeLookup)() = nullptr;

bool HookedResolve(const char* host, const char* service,
                   std::vector<platform::ResolvedAddress>& out)
{
    beforeLookup();
    // Runs the library's own code again after the hook returns: this is what must still be
    // mapped when the host has unloaded the library in the meantime.
    return platform::SystemSocketCalls().resolve(host, service, out);
}
} // namespace

extern "C" VDRX_EXPORT void vdrxTestHoldLookups(void (*hook)())
{
    static platform::SocketCalls calls = platform::SystemSocketCalls();
    beforeLookup = hook;
    calls.resolve = &HookedResolve;
    platform::InstallSocketCalls(&calls);
}
