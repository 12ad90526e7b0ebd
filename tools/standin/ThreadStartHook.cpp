// Every thread the process starts, the plug-in's included, passes through here: the program
// defines pthread_create itself (exported, so the plug-in loaded later binds to it too), counts
// each thread that starts and hands the call on to the next definition, which is the C
// library's or a sanitizer's.
#include "tools/standin/ThreadCount.h"

#include <dlfcn.h>
#include <pthread.h>

#include <cerrno>
#include <cstring>

namespace
{
using CreateFn = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);

CreateFn NextCreate()
{
    void* symbol = dlsym(RTLD_NEXT, "pthread_create");
    CreateFn next = nullptr;
    std::memcpy(&next, &symbol, sizeof next);
    return next;
}
} // namespace

// Default visibility: the build hides every other symbol.
extern "C" [[gnu::visibility("default")]] int pthread_create(pthread_t* __restrict thread,
                                                             const pthread_attr_t* __restrict attr,
                                                             void* (*start)(void*),
                                                             void* __restrict argument) noexcept
{
    static const CreateFn next = NextCreate();
    if (!next)
        return EAGAIN;
    const int result = next(thread, attr, start, argument);
    if (result == 0)
        standin::CountThreadStart();
    return result;
}
