#include "tools/standin/ThreadCount.h"

#include <atomic>

namespace standin
{
namespace
{
std::atomic<std::uint64_t> started{0};
} // namespace

std::uint64_t ThreadsStarted()
{
    return started.load();
}

void CountThreadStart()
{
    started.fetch_add(1);
}

} // namespace standin
