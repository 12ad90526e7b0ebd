// A lock for a few instructions' worth of state: no system call, no queue of waiters. Held
// only for one step or copy; a second taker spins for that long at most. Meets BasicLockable,
// so std::lock_guard takes it.
#pragma once

#include <atomic>

class SpinLock
{
public:
    void lock() noexcept
    {
        while (locked.exchange(true, std::memory_order_acquire))
            while (locked.load(std::memory_order_relaxed))
            {
            }
    }
    void unlock() noexcept { locked.store(false, std::memory_order_release); }

private:
    std::atomic<bool> locked{false};
};
