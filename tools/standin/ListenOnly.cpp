#include "tools/standin/ListenOnly.h"

#include "tools/standin/ExitStatus.h"
#include "tools/standin/Interruption.h"
#include "tools/standin/OscText.h"
#include "tools/standin/RunRecord.h"
#include "tools/standin/TextFormat.h"

#include <ctime>

namespace standin
{
namespace
{
// How often the wait looks for an interruption.
constexpr auto kWakeUp = std::chrono::milliseconds(50);

// "14:03:27.512": the local time of a steady-clock moment a little in the past.
std::string ClockTime(Clock::time_point when)
{
    const auto wall =
        std::chrono::system_clock::now() -
        std::chrono::duration_cast<std::chrono::system_clock::duration>(Clock::now() - when);
    const std::time_t seconds = std::chrono::system_clock::to_time_t(wall);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(wall.time_since_epoch()).count() %
        1000;
    return FormatText("%02d:%02d:%02d.%03lld", local.tm_hour, local.tm_min, local.tm_sec,
                      static_cast<long long>(milliseconds));
}
} // namespace

int ListenOnly(const ListenAddress& address, Console& console)
{
    testhost::OscReceiver receiver = OpenReceiver(address);
    console.Detail(FormatText("OSC       listening at %s:%u for OSC messages; Ctrl-C ends",
                              receiver.Host(), unsigned{receiver.Port()}));
    const Clock::time_point begin = Clock::now();
    std::size_t received = 0;
    while (!Interrupted())
    {
        const std::optional<testhost::ReceivedOsc> message = receiver.Receive(kWakeUp);
        if (!message)
            continue;
        ++received;
        console.Line(FormatText("%s %+.3fs  OSC ", ClockTime(message->arrival).c_str(),
                                Seconds(message->arrival - begin)) +
                     FormatOscMessage(*message));
    }
    console.Line(FormatText("%zu message%s in %.3f s", received, received == 1 ? "" : "s",
                            Seconds(Clock::now() - begin)));
    return kExitOk;
}

} // namespace standin
