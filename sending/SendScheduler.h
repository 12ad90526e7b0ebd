// The one thread per process that sends every message at its deadline.
//
// The render thread only schedules: it copies a message into the queue (SendQueue) and wakes
// this thread. The thread waits precisely for the earliest deadline (platform::DeadlineWait),
// spins the last stretch (as long as its recent waits woke late: WakeMargin), takes the message
// and sends it through sockets it keeps.
// A name it cannot resolve without waiting goes to a lookup thread, which sends it when the
// answer comes, late, so that one slow name never holds up another message. Failures go back to
// the instance through its SendChannel. With a test clock installed nothing spins: the test wakes
// the thread when it moves its clock.
//
// Threads: Shared() and Start() from any thread but a frame's (an instance's construction);
// Queue() and Prefetch() from any thread, never blocking beyond a copy. The thread itself runs
// for the rest of the process (the module is pinned), idle while nothing waits.
#pragma once

#include "sending/SendQueue.h"
#include "sending/WakeMargin.h"
#include "sending/DatagramSender.h"
#include "platform/DeadlineWait.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string_view>

class SendScheduler
{
public:
    // Lookups of late sends under way at once; more fail with "too many sends".
    static constexpr int kLookupThreads = 4;

    // The process's, made on first use and never destroyed: its thread may outlive every
    // instance.
    static SendScheduler& Shared();

    // Starts the thread unless it runs; false when no thread can start.
    bool Start();
    bool Running() const { return running.load(); }
    SendQueue& Queue() { return queue; }
    // Looks a name up ahead of its cues, on a lookup thread the scheduler starts. Copies the name
    // (a longer one than a message can carry is not looked up).
    void Prefetch(std::string_view host, std::int32_t port);
    // Nothing waits, is being sent or waits for its name. Any thread.
    bool Idle() const { return queue.Waiting() == 0 && busy.load() == 0 && lookups.load() == 0; }
    // Lookup threads of late sends alive now. Any thread.
    int LateLookups() const { return lookups.load(); }

private:
    SendScheduler();
    void Run() noexcept;
    // Waits for the next deadline, or for whatever wakes the thread.
    void WaitForNext(std::int64_t nowUs);
    void Deliver(ScheduledMessage& message) noexcept;
    // The name is not resolved yet: a lookup thread sends the message when it is.
    void SendLate(ScheduledMessage message) noexcept;
    void PrefetchRequested();

    SendQueue queue;
    platform::DeadlineWait wait;
    WakeMargin margin; // the scheduler thread's
    osc::DatagramSender sockets;
    std::atomic<bool> running{false};
    std::mutex startMutex;
    std::atomic<int> lookups{0};
    std::atomic<int> busy{0}; // messages taken and not yet sent or failed

    std::mutex prefetchMutex; // held for a copy
    bool prefetchWanted = false;
    std::array<char, ScheduledMessage::kHostRoom> prefetchHost{};
    std::size_t prefetchLength = 0;
    std::int32_t prefetchPort = 0;
};
