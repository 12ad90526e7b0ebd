#include "platform/ThreadPriority.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif
#ifdef __APPLE__
#include <sys/qos.h>
#elif defined(__linux__)
#include <sched.h>
#include <sys/prctl.h>
#endif

namespace platform
{
namespace
{
std::atomic<bool> raisingAllowed{true};

bool RaiseCaller() noexcept
{
#ifdef _WIN32
    return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL) != 0;
#elif defined(__APPLE__)
    return false;
#else
    const sched_param parameter{sched_get_priority_min(SCHED_FIFO)};
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &parameter) == 0;
#endif
}

void LowerCaller() noexcept
{
#ifdef _WIN32
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
#elif !defined(__APPLE__)
    const sched_param parameter{0};
    pthread_setschedparam(pthread_self(), SCHED_OTHER, &parameter);
#endif
}
} // namespace

void ThreadPriority::PrepareTimingThread() noexcept
{
#ifdef __APPLE__
    pthread_set_qos_class_self_np(QOS_CLASS_USER_INTERACTIVE, 0);
#elif defined(__linux__)
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
}

void ThreadPriority::Raise() noexcept
{
    if (!raisingAllowed.load())
        Lower();
    if (raised || refused || !raisingAllowed.load())
        return;
    raised = RaiseCaller();
    refused = !raised;
}

void ThreadPriority::Lower() noexcept
{
    if (raised)
        LowerCaller();
    raised = false;
}

void ThreadPriority::AllowRaised(bool allowed)
{
    raisingAllowed.store(allowed);
}
} // namespace platform
