#include "fuzz/NetworkStandIn.h"

#include "fuzz/CallWatch.h"
#include "fuzz/FuzzCheck.h"

#include <netdb.h>

#include <condition_variable>
#include <cstring>
#include <mutex>

namespace hostfuzz::NetworkStandIn
{
namespace
{
std::mutex heldMutex;
std::condition_variable released;
bool holding = true;

int WaitForRelease()
{
    std::unique_lock lock(heldMutex);
    released.wait(lock, [] { return !holding; });
    return EAI_AGAIN;
}

int Answer(const char* host)
{
    // The render thread never resolves a name: a lookup there stalls the picture.
    FUZZ_CHECK(!CallWatch::OnHostThread());
    if (std::strstr(host, "never"))
        return WaitForRelease();
    if (std::strstr(host, "again"))
        return EAI_AGAIN;
    if (std::strstr(host, "nope"))
        return EAI_NONAME;
    if (std::strstr(host, "fail"))
        return EAI_FAIL;
    return 0;
}

std::int64_t Take(const std::uint8_t* data, std::size_t length)
{
    // An OSC message: an address, padded to whole 4-byte words.
    FUZZ_CHECK(length >= 4 && length % 4 == 0 && data[0] == '/');
    return static_cast<std::int64_t>(length);
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
    const std::lock_guard lock(heldMutex);
    holding = true;
}

void ReleaseHeldLookups()
{
    {
        const std::lock_guard lock(heldMutex);
        holding = false;
    }
    released.notify_all();
}
} // namespace hostfuzz::NetworkStandIn
