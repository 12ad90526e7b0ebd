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
// The calling thread's state, so that each change costs one system call at most.
thread_local bool raised = false;
thread_local bool refused = false;

bool Raise() noexcept
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

void Lower() noexcept
{
#ifdef _WIN32
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
#elif !defined(__APPLE__)
    const sched_param parameter{0};
    pthread_setschedparam(pthread_self(), SCHED_OTHER, &parameter);
#endif
}
} // namespace

void PrepareTimingThread() noexcept
{
#ifdef __APPLE__
    pthread_set_qos_class_self_np(QOS_CLASS_USER_INTERACTIVE, 0);
#elif defined(__linux__)
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
}

void RaiseThisThread() noexcept
{
    if (!raisingAllowed.load())
        LowerThisThread();
    if (raised || refused || !raisingAllowed.load())
        return;
    raised = Raise();
    refused = !raised;
}

void LowerThisThread() noexcept
{
    if (raised)
        Lower();
    raised = false;
}

void AllowRaisedThreads(bool allowed)
{
    raisingAllowed.store(allowed);
}
} // namespace platform
