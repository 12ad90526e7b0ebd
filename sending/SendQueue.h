// The messages waiting for their deadlines, process-wide, in room fixed at start: at most
// kPerInstance waiting for a moment still to come for one instance, and kCapacity in all,
// whatever the load. A message whose moment has come is on its way and no longer counts against
// its instance, whether the scheduler has taken it yet or not.
//
// Threads: the render thread schedules, cancels and moves; the scheduler thread takes what is
// due. One lock guards the queue, with priority inheritance (platform/InheritingMutex.h), held
// for a copy in or out and never across a system call, an allocation, a wake, a send or a
// lookup; the channels of cancelled messages are let go of after it.
#pragma once

#include "platform/InheritingMutex.h"
#include "sending/ScheduledMessage.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform
{
class DeadlineWait;
}

class SendQueue
{
public:
    static constexpr std::size_t kPerInstance = 4;
    static constexpr std::size_t kCapacity = 64;

    // Copies the message in and wakes the scheduler when its deadline is the earliest. Answers
    // TooManySends (and keeps nothing) when its instance already has kPerInstance waiting for
    // moments after `nowUs`, or the process kCapacity. Allocates nothing; any thread.
    std::optional<SendFailure> Schedule(const ScheduledMessage& message, std::int64_t nowUs);
    // Removes the instance's messages of the kinds given that are due after `nowUs`, and answers
    // which it removed: those go no more. One due by then is on its way, whether the scheduler
    // has taken it yet or not: it goes. Any thread.
    MessageSet Cancel(const SendChannel& owner, const MessageSet& kinds, std::int64_t nowUs);
    // Gives the instance's messages that are due after `nowUs` the deadlines `deadlinesUs` holds
    // for their kinds, in place: nothing leaves or enters the queue, so a move never meets a
    // bound. One due by now is on its way and stays as it is. Answers which it moved; wakes the
    // scheduler when a moved deadline comes before every other. Allocates nothing; any thread.
    MessageSet Move(const SendChannel& owner,
                    const std::array<std::int64_t, kMessageKinds>& deadlinesUs, std::int64_t nowUs);

    // The earliest deadline waiting. Any thread.
    std::optional<std::int64_t> NextDeadline() const;
    // Moves the message with the earliest deadline out into `out` when that deadline is at or
    // before `nowUs`; the earliest of equal deadlines is the one scheduled first. Its place lets
    // go of its channel. Any thread (the scheduler's, or a test's).
    bool TakeDue(std::int64_t nowUs, ScheduledMessage& out);
    // Messages waiting for the instance, or in all. Any thread.
    std::size_t Waiting(const SendChannel& owner) const;
    std::size_t Waiting() const;

    // Who is woken when a message is scheduled ahead of all others; null for nobody. Set before
    // any schedule.
    void SetWaiter(platform::DeadlineWait* waiter) { wake = waiter; }

private:
    // Messages waiting for the instance (due after `afterUs`), or in all.
    std::size_t WaitingLocked(const SendChannel* owner, std::int64_t afterUs) const;

    mutable platform::InheritingMutex mutex;
    std::array<ScheduledMessage, kCapacity> slots;
    std::array<bool, kCapacity> used{};
    std::array<std::uint64_t, kCapacity> order{}; // when each was scheduled, for equal deadlines
    std::uint64_t scheduled = 0;
    platform::DeadlineWait* wake = nullptr;
};
