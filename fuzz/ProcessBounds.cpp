#include "fuzz/ProcessBounds.h"

#include "fuzz/FuzzCheck.h"

#include <dirent.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace hostfuzz::ProcessBounds
{
namespace
{
int baseThreads = 0;
int baseDescriptors = 0;
bool baseTaken = false; // the host's warm-up calls come before it

// Entries of a /proc folder, less "." and "..".
int CountEntries(const char* folder)
{
    DIR* directory = opendir(folder);
    FUZZ_CHECK(directory != nullptr);
    int count = 0;
    while (const dirent* entry = readdir(directory))
        count += entry->d_name[0] != '.';
    closedir(directory);
    return count;
}

int Threads()
{
    return CountEntries("/proc/self/task");
}

int Descriptors()
{
    return CountEntries("/proc/self/fd");
}
} // namespace

void TakeBaseline()
{
    // Once the count has stood for a tenth of a second: what the warm-up started has ended, or
    // stays for the life of the process.
    int last = Threads();
    for (int steady = 0, waited = 0; steady < 100 && waited < 2000; ++waited)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const int now = Threads();
        steady = now == last ? steady + 1 : 0;
        last = now;
    }
    baseThreads = last;
    baseDescriptors = Descriptors();
    baseTaken = true;
}

void Check()
{
    if (!baseTaken)
        return;
    const int threads = Threads() - baseThreads;
    const int descriptors = Descriptors() - baseDescriptors;
    if (threads > kPluginThreadsAtMost || descriptors > kPluginDescriptorsAtMost)
        std::fprintf(stderr, "host fuzzer: the plug-in has %d threads and %d descriptors\n",
                     threads, descriptors);
    FUZZ_CHECK(threads <= kPluginThreadsAtMost);
    FUZZ_CHECK(descriptors <= kPluginDescriptorsAtMost);
}

void AwaitQuiet()
{
    for (int i = 0; i < 2000 && Threads() > baseThreads; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}
} // namespace hostfuzz::ProcessBounds
