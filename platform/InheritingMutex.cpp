#include "platform/InheritingMutex.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace platform
{
#ifdef _WIN32
struct InheritingMutex::State
{
    SRWLOCK lock = SRWLOCK_INIT;
};

InheritingMutex::InheritingMutex() : state(std::make_unique<State>())
{
}

InheritingMutex::~InheritingMutex() = default;

void InheritingMutex::lock() noexcept
{
    AcquireSRWLockExclusive(&state->lock);
}

bool InheritingMutex::try_lock() noexcept
{
    return TryAcquireSRWLockExclusive(&state->lock) != 0;
}

void InheritingMutex::unlock() noexcept
{
    ReleaseSRWLockExclusive(&state->lock);
}
#else
struct InheritingMutex::State
{
    pthread_mutex_t mutex;
};

InheritingMutex::InheritingMutex() : state(std::make_unique<State>())
{
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_setprotocol(&attributes, PTHREAD_PRIO_INHERIT);
    pthread_mutex_init(&state->mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
}

InheritingMutex::~InheritingMutex()
{
    pthread_mutex_destroy(&state->mutex);
}

void InheritingMutex::lock() noexcept
{
    pthread_mutex_lock(&state->mutex);
}

bool InheritingMutex::try_lock() noexcept
{
    return pthread_mutex_trylock(&state->mutex) == 0;
}

void InheritingMutex::unlock() noexcept
{
    pthread_mutex_unlock(&state->mutex);
}
#endif
} // namespace platform
