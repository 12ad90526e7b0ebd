// Built only into a test copy of the plug-in: its seams, reachable from a host that loads the
// library, so that tests drive the clock and the name lookup of the code the host really runs.
#include "platform/Export.h"
#include "platform/SteadyClock.h"
#include "platform/UdpSocketApi.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace
{
void (*beforeLookup)() = nullptr;
// Atomic, as a test may set them again while lookups and sends of an earlier run still read them.
std::atomic<int (*)(const char*)> lookupAnswer{nullptr};
std::atomic<std::int64_t (*)(const std::uint8_t*, std::size_t)> datagramSink{nullptr};

platform::LookupStatus HookedResolve(const char* host, const char* service,
                                     std::vector<platform::ResolvedAddress>& out)
{
    beforeLookup();
    // Runs the library's own code again after the hook returns: this is what must still be
    // mapped when the host has unloaded the library in the meantime.
    return platform::SystemSocketCalls().resolve(host, service, out);
}

platform::LookupStatus AnsweredResolve(const char* host, const char* service,
                                       std::vector<platform::ResolvedAddress>& out)
{
    if (platform::IsNumericHost(host))
        return platform::SystemSocketCalls().resolve(host, service, out);
    const int result = lookupAnswer.load()(host);
    if (result < 0 || result > 254)
        return platform::LookupStatusOf(result);
    const std::string address = "127.0.0." + std::to_string(result == 0 ? 1 : result);
    return platform::SystemSocketCalls().resolve(address.c_str(), service, out);
}

std::int64_t SunkOrSent(platform::SocketHandle socket, const std::uint8_t* data, std::size_t length,
                        const platform::ResolvedAddress& to)
{
    if (const auto sink = datagramSink.load())
        return sink(data, length);
    return platform::SystemSocketCalls().sendTo(socket, data, length, to);
}
} // namespace

// Every name lookup first calls `hook`, on the sender's thread.
extern "C" VDRX_EXPORT void vdrxTestHoldLookups(void (*hook)())
{
    static platform::SocketCalls calls = platform::SystemSocketCalls();
    beforeLookup = hook;
    calls.resolve = &HookedResolve;
    platform::InstallSocketCalls(&calls);
}

// Every lookup of a name answers as getaddrinfo would with the result `answer` gives for it,
// asked on the lookup's thread: 0 finds 127.0.0.1, 1 to 254 find 127.0.0.1 to 127.0.0.254 (a
// machine that moved), a getaddrinfo error code fails so. Numeric addresses are converted as
// before.
// With a `sink`, no datagram reaches the network: the sink takes each, on the sending thread,
// and answers what sendto would.
extern "C" VDRX_EXPORT void vdrxTestAnswerLookups(int (*answer)(const char* host),
                                                  std::int64_t (*sink)(const std::uint8_t* data,
                                                                       std::size_t length))
{
    static const platform::SocketCalls calls = []
    {
        platform::SocketCalls answered = platform::SystemSocketCalls();
        answered.resolve = &AnsweredResolve;
        answered.sendTo = &SunkOrSent;
        return answered;
    }();
    lookupAnswer.store(answer);
    datagramSink.store(sink);
    platform::InstallSocketCalls(&calls);
}

// The library's steady clock answers from `source`, in microseconds (null: the real clock).
extern "C" VDRX_EXPORT void vdrxTestSetClock(std::int64_t (*source)())
{
    platform::InstallClockSource(source);
}

// The clock set with vdrxTestSetClock moved: the send scheduler looks at its deadlines again.
extern "C" VDRX_EXPORT void vdrxTestClockMoved()
{
    platform::NotifyClockMoved();
}
