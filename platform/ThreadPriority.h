// The send scheduler's thread: prepared once to wait precisely, and raised above the host's
// threads only for the stretch just before a deadline. Raised for longer, every wake the render
// thread gives it for a new message would take the render thread's CPU: a real-time thread
// woken on that CPU runs there at once, and the frame waits until it sleeps again.
//
// Threads: an object belongs to the thread it changes, which alone calls it. Each change is one
// system call at most.
#pragma once

namespace platform
{
class ThreadPriority
{
public:
    // Once, on the thread itself: on Linux the finest timer slack, so that its waits end when
    // asked; on macOS the user-interactive class, for all its life.
    static void PrepareTimingThread() noexcept;

    // The highest priority the platform gives a process without privileges beyond the ordinary:
    // SCHED_FIFO at its lowest priority on Linux (where refused, the thread stays ordinary and
    // later calls ask nothing of the system), THREAD_PRIORITY_TIME_CRITICAL on Windows. Nothing
    // on macOS. Asks the system only when the thread is not raised already.
    void Raise() noexcept;
    // Back to the ordinary policy and priority; asks the system only when the thread is raised.
    void Lower() noexcept;

    // Benchmarks only: whether Raise raises (at first it does), so that one run can measure
    // with and without. Any thread.
    static void AllowRaised(bool allowed);

private:
    bool raised = false;
    bool refused = false;
};
} // namespace platform
