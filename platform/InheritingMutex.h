// A mutex that the render thread and the send scheduler's raised thread share: while a thread of
// higher priority waits for it, its holder runs at that priority (POSIX priority inheritance), so
// that the raised scheduler never waits for a render thread that other threads keep off its CPU.
// Windows has no such protocol for its locks; there an ordinary slim lock stands in (each holder
// keeps it for a copy, and Windows lifts a thread that has waited long).
//
// Meets Lockable, so std::lock_guard and std::unique_lock take it. Any thread.
#pragma once

#include <cstdint>
#include <memory>

namespace platform
{
class InheritingMutex
{
public:
    InheritingMutex();
    ~InheritingMutex();
    InheritingMutex(const InheritingMutex&) = delete;
    InheritingMutex& operator=(const InheritingMutex&) = delete;

    void lock() noexcept;
    bool try_lock() noexcept;
    void unlock() noexcept;

    // Benchmarks only: hears, on the thread that waited, how long each lock taken only after a
    // wait was waited for (null: nobody). Costs an uncontended lock nothing. Any thread.
    using WaitObserver = void (*)(std::int64_t waitedNs);
    static void ObserveWaits(WaitObserver observer);

private:
    bool SpinForIt(std::int64_t startNs) noexcept;
    void Acquire() noexcept;

    struct State;
    std::unique_ptr<State> state;
};
} // namespace platform
