#include "fuzz/NetworkStandIn.h"

#include "fuzz/CallWatch.h"
#include "fuzz/FuzzCheck.h"

#include <netdb.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace hostfuzz::NetworkStandIn
{
namespace
{
std::mutex heldMutex;
std::condition_variable released;
bool holding = true;

// Lookups are numbered as they begin, and an instance by the last lookup begun when it was made.
std::atomic<std::uint64_t> lookupsBegun{0};
std::mutex namesMutex;
// This input's lookups per name, the names they found, and for each found name the lookup after
// its first find. Guarded by namesMutex.
std::map<std::string, int> lookups;
std::set<std::string> found;
std::map<std::string, std::uint64_t> keptBy;
std::map<void*, std::uint64_t> madeAfter; // host thread
void* calledFor = nullptr;                // host thread
// The names this input's instances were given (host thread). The plug-in keeps 64: only as many
// names more, all touched since, can have pushed one out.
std::set<std::string> namesSet;
constexpr std::size_t kNamesKept = 64;
const bool tracing = std::getenv("VDRX_HOST_FUZZ_TRACE") != nullptr;

int WaitForRelease()
{
    std::unique_lock lock(heldMutex);
    released.wait(lock, [] { return !holding; });
    return EAI_AGAIN;
}

// The k-th lookup of a drifting name this input, from 0: found, then another address, no name
// server, slow, another address...
int Drift(int k)
{
    if (k == 0)
        return 0;
    switch (k % 3)
    {
    case 1:
        return 2 + k % 200; // 127.0.0.2 and on
    case 2:
        return EAI_AGAIN;
    default:
        return WaitForRelease();
    }
}

int AnswerByName(const char* host, int k)
{
    if (std::strstr(host, "never"))
        return WaitForRelease();
    if (std::strstr(host, "again"))
        return EAI_AGAIN;
    if (std::strstr(host, "nope"))
        return EAI_NONAME;
    if (std::strstr(host, "fail"))
        return EAI_FAIL;
    if (std::strstr(host, "drift"))
        return Drift(k);
    return 0;
}

int Answer(const char* host)
{
    // The render thread never resolves a name: a lookup there stalls the picture.
    FUZZ_CHECK(!CallWatch::OnHostThread());
    int k = 0;
    {
        const std::lock_guard lock(namesMutex);
        const std::uint64_t begun = ++lookupsBegun;
        k = lookups[host]++;
        // One lookup of a name at a time: the first find is kept by the time the next begins.
        if (found.contains(host))
            keptBy.try_emplace(host, begun);
    }
    const int answer = AnswerByName(host, k);
    if (tracing)
        std::fprintf(stderr, "lookup %d of %s answers %d\n", k, host, answer);
    if (answer >= 0)
    {
        const std::lock_guard lock(namesMutex);
        found.insert(host);
    }
    return answer;
}

std::int64_t Take(const std::uint8_t* data, std::size_t length)
{
    // An OSC message: an address, padded to whole 4-byte words.
    FUZZ_CHECK(length >= 4 && length % 4 == 0 && data[0] == '/');
    return static_cast<std::int64_t>(length);
}

// The host in a line "... sent late to <host>:<port>: its name was still being looked up ...".
std::optional<std::string> LateHost(std::string_view line)
{
    static constexpr std::string_view kLate = " sent late to ";
    const std::size_t late = line.find(kLate);
    const std::size_t reason = line.find(": its name was still being looked up");
    if (late == std::string_view::npos || reason == std::string_view::npos)
        return std::nullopt;
    const std::size_t port = line.rfind(':', reason - 1);
    if (port == std::string_view::npos || port < late + kLate.size())
        return std::nullopt;
    return std::string(line.substr(late + kLate.size(), port - late - kLate.size()));
}
} // namespace

void Install(void* install)
{
    using AnswerFn = int (*)(const char*);
    using TakeFn = std::int64_t (*)(const std::uint8_t*, std::size_t);
    void (*answerLookups)(AnswerFn, TakeFn) = nullptr;
    FUZZ_CHECK(install != nullptr);
    std::memcpy(&answerLookups, &install, sizeof answerLookups);
    answerLookups(&Answer, &Take);
}

void HoldLookups()
{
    {
        const std::lock_guard lock(heldMutex);
        holding = true;
    }
    namesSet.clear();
    madeAfter.clear();
    // What an earlier input found may have been let go since: each input is judged by its own.
    const std::lock_guard lock(namesMutex);
    lookups.clear();
    found.clear();
    keptBy.clear();
}

void ReleaseHeldLookups()
{
    {
        const std::lock_guard lock(heldMutex);
        holding = false;
    }
    released.notify_all();
}

void InstanceMade(void* instance)
{
    madeAfter[instance] = lookupsBegun.load();
}

void CallFor(void* instance)
{
    calledFor = instance;
}

void HostSet(const std::string& host)
{
    namesSet.insert(host);
}

void CheckLogLine(const char* line)
{
    if (tracing)
        std::fprintf(stderr, "log: %s\n", line);
    const std::optional<std::string> host = LateHost(line);
    if (!host)
        return;
    const std::lock_guard lock(namesMutex);
    const auto kept = keptBy.find(*host);
    const auto made = madeAfter.find(calledFor);
    if (kept == keptBy.end() || made == madeAfter.end() || namesSet.size() >= kNamesKept)
        return;
    if (made->second >= kept->second)
        std::fprintf(stderr,
                     "host fuzzer: a message to %s went late although the name had "
                     "resolved before its instance was made\n",
                     host->c_str());
    FUZZ_CHECK(made->second < kept->second);
}
} // namespace hostfuzz::NetworkStandIn
