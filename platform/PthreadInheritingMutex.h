// A pthread mutex whose holder inherits the priority of a thread that waits for it (POSIX
// priority inheritance): the one InheritingMutex wraps, and the one beside the scheduler's
// condition variable in DeadlineWait. POSIX only.
#pragma once

#include <pthread.h>

namespace platform
{
inline void InitInheritingMutex(pthread_mutex_t& mutex)
{
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_setprotocol(&attributes, PTHREAD_PRIO_INHERIT);
    pthread_mutex_init(&mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
}
} // namespace platform
