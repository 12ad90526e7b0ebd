#include "platform/OrdinaryThread.h"

#include <new>

#ifdef _WIN32
#include <thread>
#else
#include <pthread.h>
#include <sched.h>
#endif
#ifdef __APPLE__
#include <sys/qos.h>
#elif defined(__linux__)
#include <sys/prctl.h>
#endif

namespace platform
{
#ifdef _WIN32
// Windows starts every thread at normal priority, whatever its creator's.
bool StartOrdinaryThread(const char*, ThreadBody body, void* context) noexcept
{
    try
    {
        std::thread([body, context] { body(context); }).detach();
        return true;
    }
    catch (...)
    {
        return false;
    }
}
#else
namespace
{
struct Start
{
    const char* name;
    ThreadBody body;
    void* context;
};

void* Run(void* argument)
{
    const Start start = *static_cast<Start*>(argument);
    delete static_cast<Start*>(argument);
#ifdef __APPLE__
    pthread_setname_np(start.name); // only a thread's own name can be set there
#else
    // Slack is inherited at creation and no attribute sets it.
    prctl(PR_SET_TIMERSLACK, kOrdinaryTimerSlackNs, 0UL, 0UL, 0UL);
#endif
    start.body(start.context);
    return nullptr;
}

bool SetOrdinaryScheduling(pthread_attr_t& attributes)
{
#ifdef __APPLE__
    return pthread_attr_set_qos_class_np(&attributes, QOS_CLASS_DEFAULT, 0) == 0;
#else
    const sched_param ordinary{0};
    return pthread_attr_setinheritsched(&attributes, PTHREAD_EXPLICIT_SCHED) == 0 &&
           pthread_attr_setschedpolicy(&attributes, SCHED_OTHER) == 0 &&
           pthread_attr_setschedparam(&attributes, &ordinary) == 0;
#endif
}
} // namespace

bool StartOrdinaryThread(const char* name, ThreadBody body, void* context) noexcept
{
    auto* start = new (std::nothrow) Start{name, body, context};
    if (!start)
        return false;
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_t thread{};
    const bool started = SetOrdinaryScheduling(attributes) &&
                         pthread_create(&thread, &attributes, &Run, start) == 0;
    pthread_attr_destroy(&attributes);
    if (!started)
    {
        delete start;
        return false;
    }
#ifndef __APPLE__
    pthread_setname_np(thread, name); // named before anyone can look for it
#endif
    pthread_detach(thread);
    return true;
}
#endif
} // namespace platform
