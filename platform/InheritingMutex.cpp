#include "platform/InheritingMutex.h"

#include <atomic>
#include <chrono>

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/PthreadInheritingMutex.h"
#endif

namespace platform
{
namespace
{
std::atomic<InheritingMutex::WaitObserver> waitObserver{nullptr};

// Every holder keeps the lock for a copy (a few microseconds), while a sleep on the lock and the
// wake that follows cost tens of microseconds or more on a busy or virtual machine: a taker
// that finds it held tries again for this long before it sleeps. A holder switched out is
// waited for asleep, where priority inheritance lifts it.
constexpr std::int64_t kSpinNs = 20'000;

std::int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

void InheritingMutex::lock() noexcept
{
    if (try_lock())
        return;
    const WaitObserver observer = waitObserver.load();
    const std::int64_t startNs = NowNs();
    if (!SpinForIt(startNs))
        Acquire();
    if (observer)
        observer(NowNs() - startNs);
}

bool InheritingMutex::SpinForIt(std::int64_t startNs) noexcept
{
    do
    {
        for (int i = 0; i < 64; ++i)
            if (try_lock())
                return true;
    } while (NowNs() - startNs < kSpinNs);
    return false;
}

void InheritingMutex::ObserveWaits(WaitObserver observer)
{
    waitObserver.store(observer);
}

#ifdef _WIN32
struct InheritingMutex::State
{
    SRWLOCK lock = SRWLOCK_INIT;
};

InheritingMutex::InheritingMutex() : state(std::make_unique<State>())
{
}

InheritingMutex::~InheritingMutex() = default;

void InheritingMutex::Acquire() noexcept
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
    InitInheritingMutex(state->mutex);
}

InheritingMutex::~InheritingMutex()
{
    pthread_mutex_destroy(&state->mutex);
}

void InheritingMutex::Acquire() noexcept
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
