// The one thread per process that sends every message at its deadline, and has the names the
// messages go to looked up in time for them.
//
// The render thread only schedules: it copies a message into the queue (SendQueue), and tells
// which names its cues will need by when (NameNeeds). The thread waits precisely for the earliest
// deadline (platform::DeadlineWait), spins the last stretch (as long as its recent waits woke
// late: WakeMargin), takes the message and sends it through sockets it keeps. It runs at the
// ordinary priority, and raised (platform::ThreadPriority) only for the last few milliseconds
// before a deadline: a wake the render thread gives it for a new message then never takes the
// render thread's CPU, while the deadline itself is met however busy the machine is.
// A name whose answer would be older than kFreshAtCueMs at a cue is looked up again at least
// kLookupAheadMs before it. At a deadline a name that was ever found goes to its last addresses
// at once; one never found waits beside the queue (LookupWaiters) for its lookup, shared by every
// message that waits for it, and goes late. Failures go back to the instance through its
// SendChannel. With a test clock installed nothing spins: the test wakes the thread when it
// moves its clock.
//
// Threads: Shared() and Start() from any thread but a frame's (an instance's GL set-up);
// Queue() and Needs() from any thread, never blocking beyond a copy. The thread itself runs for
// the rest of the process (the module is pinned), idle while nothing waits.
#pragma once

#include "platform/DeadlineWait.h"
#include "platform/ThreadPriority.h"
#include "sending/DatagramSender.h"
#include "sending/LookupWaiters.h"
#include "sending/NameCache.h"
#include "sending/NameNeeds.h"
#include "sending/SendQueue.h"
#include "sending/WakeMargin.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

class SendScheduler
{
public:
    // An answer at most this old at every cue that needs it...
    static constexpr std::int64_t kFreshAtCueMs = 60000;
    // ...looked up at least this long before the cue.
    static constexpr std::int64_t kLookupAheadMs = 30000;
    // Raised only this long before a deadline: more than an ordinary thread's timed wait wakes
    // late on a busy machine.
    static constexpr std::int64_t kRaisedLeadUs = 5000;

    // The process's, made on first use and never destroyed: its thread may outlive every
    // instance.
    static SendScheduler& Shared();

    // Starts the thread unless it runs; false when no thread can start.
    bool Start();
    bool Running() const { return running.load(); }
    SendQueue& Queue() { return queue; }
    NameNeeds& Needs() { return needs; }
    // Has the thread read the needs now rather than at its next wake (a second on at most): a
    // name the user has just set is looked up at once. Not from a frame.
    void ReadNeedsNow() { wait.Wake(); }
    // Nothing waits, is being sent or waits for its name. Any thread.
    bool Idle() const { return queue.Waiting() == 0 && busy.load() == 0 && waiters.Held() == 0; }
    // Messages waiting for their name's first answer. Any thread.
    std::size_t WaitingForNames() const { return waiters.Held(); }

private:
    SendScheduler();
    void Run() noexcept;
    // Looks up ahead the names whose cues need a fresher answer by now; notes when the next one
    // will.
    void LookUpAhead(std::int64_t nowUs);
    // When the name of `need`, `known` so, must next be looked up for its cues; nothing when it
    // need not be.
    static std::optional<std::int64_t> LookupMomentUs(const NameNeeds::Need& need,
                                                      const osc::Known& known, std::int64_t nowUs);
    // Waits for the next deadline or lookup, or for whatever wakes the thread.
    void WaitForNext(std::int64_t nowUs);
    void Deliver(ScheduledMessage& message) noexcept;
    // Sends the messages whose names have been looked up since they began to wait.
    void SendAnswered() noexcept;

    SendQueue queue;
    NameNeeds needs;
    LookupWaiters waiters; // the scheduler thread's
    platform::DeadlineWait wait;
    WakeMargin margin;                 // the scheduler thread's
    platform::ThreadPriority priority; // the scheduler thread's
    osc::DatagramSender sockets;       // the scheduler thread's
    std::atomic<bool> running{false};
    std::mutex startMutex;
    std::atomic<int> busy{0}; // messages taken and not yet sent, failed or waiting for a name
    std::atomic<std::uint64_t> answers{0}; // lookups ended

    // The scheduler thread's view of the needs, and when it next looks a name up.
    NameNeeds::Needs needsSeen{};
    std::size_t needsCount = 0;
    std::uint64_t needsVersion = 0;
    std::uint64_t answersSeen = 0;
    std::optional<std::int64_t> nextLookupUs;
    std::uint64_t answersOffered = 0; // to the messages waiting for their names
};
