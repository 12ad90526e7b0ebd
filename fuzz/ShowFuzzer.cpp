// libFuzzer's entry: each input is one show (ShowDecoder), played on the playback tracker and
// checked after every call (TrackerJudge), then through the whole plug-in and its send queue
// (PluginReplay). A failure prints the show around it and aborts, so that libFuzzer keeps the
// input. VDRX_SHOW_FUZZ_TRACE=1 prints every call and what came of it.
#include "fuzz/PluginReplay.h"
#include "fuzz/ShowDecoder.h"
#include "fuzz/ShowReport.h"
#include "fuzz/TrackerJudge.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace showfuzz;
    static const bool trace = std::getenv("VDRX_SHOW_FUZZ_TRACE") != nullptr;
    const Show show = DecodeShow(data, size);
    const JudgedShow judged = JudgeTracker(show, trace);
    if (judged.failure)
    {
        std::fputs(Report("show fuzzer", show, judged, *judged.failure).c_str(), stderr);
        std::abort();
    }
    if (const std::optional<std::string> failure = ReplayThroughPlugin(show, judged, trace))
    {
        std::fputs(failure->c_str(), stderr);
        std::abort();
    }
    return 0;
}
