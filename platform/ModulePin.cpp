#include "platform/ModulePin.h"

#include <mutex>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace platform
{
namespace
{
void PinOnce()
{
    const void* address = reinterpret_cast<const void*>(&PinThisModule);
#ifdef _WIN32
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       static_cast<LPCWSTR>(address), &module);
#else
    Dl_info info{};
    if (dladdr(address, &info) != 0 && info.dli_fname)
        // A reference that is never released, on a module marked never to be unmapped.
        dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
#endif
}
} // namespace

void PinThisModule()
{
    static std::once_flag pinned;
    std::call_once(pinned, &PinOnce);
}
} // namespace platform
