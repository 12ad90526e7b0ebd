// The library's only exported functions. They translate and forward, nothing else.
#include "ffgl/EntryPoint.h"
#include "ffgl/HostLog.h"
#include "platform/Export.h"

extern "C" VDRX_EXPORT ffgl::FFMixed plugMain(std::uint32_t code, ffgl::FFMixed input,
                                              ffgl::FFInstanceID instance)
{
    return ffgl::PlugMain(code, input, instance);
}

extern "C" VDRX_EXPORT void SetLogCallback(ffgl::LogCallback callback)
{
    ffgl::SetHostLogCallback(callback);
}
