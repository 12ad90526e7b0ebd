// libFuzzer's entry: each input is one sequence of host calls (HostSession), on a host set up
// by the first input and kept for the whole run, as a video host keeps a plug-in loaded.
#include "fuzz/HostSession.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static hostfuzz::HostSession host(VDRX_SEAMED_PLUGIN_PATH);
    host.RunInput(data, size);
    return 0;
}
