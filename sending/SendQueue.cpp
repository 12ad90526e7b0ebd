#include "sending/SendQueue.h"

#include "platform/DeadlineWait.h"

#include <algorithm>
#include <limits>
#include <mutex>
#include <utility>

std::optional<SendFailure> SendQueue::Schedule(const ScheduledMessage& message, std::int64_t nowUs)
{
    bool earliest = true;
    {
        const std::lock_guard lock(mutex);
        if (WaitingLocked(message.channel.get(), nowUs) >= kPerInstance)
            return SendFailure::TooManySends;
        std::size_t free = 0;
        while (free < kCapacity && used[free])
            ++free;
        if (free == kCapacity)
            return SendFailure::TooManySends;
        for (std::size_t i = 0; i < kCapacity; ++i)
            earliest = earliest && !(used[i] && slots[i].deadlineUs <= message.deadlineUs);
        slots[free] = message;
        used[free] = true;
        order[free] = ++scheduled;
    }
    // The scheduler wakes for an earlier deadline by itself: only a new earliest needs a wake
    // (and its system call).
    if (wake && earliest)
        wake->Wake();
    return std::nullopt;
}

MessageSet SendQueue::Cancel(const SendChannel& owner, const MessageSet& kinds, std::int64_t nowUs)
{
    MessageSet removed{};
    std::array<std::shared_ptr<SendChannel>, kCapacity> letGo; // after the lock
    const std::lock_guard lock(mutex);
    for (std::size_t i = 0; i < kCapacity; ++i)
        if (used[i] && slots[i].channel.get() == &owner && kinds[slots[i].kind] &&
            slots[i].deadlineUs > nowUs)
        {
            used[i] = false;
            removed[slots[i].kind] = true;
            letGo[i] = std::move(slots[i].channel);
        }
    return removed;
}

MessageSet SendQueue::Move(const SendChannel& owner,
                           const std::array<std::int64_t, kMessageKinds>& deadlinesUs,
                           std::int64_t nowUs)
{
    MessageSet moved{};
    bool earliest = false;
    {
        const std::lock_guard lock(mutex);
        std::optional<std::int64_t> before; // the earliest the scheduler waits for
        for (std::size_t i = 0; i < kCapacity; ++i)
            if (used[i])
                before = std::min(before.value_or(slots[i].deadlineUs), slots[i].deadlineUs);
        for (std::size_t i = 0; i < kCapacity; ++i)
            if (used[i] && slots[i].channel.get() == &owner && slots[i].deadlineUs > nowUs &&
                slots[i].deadlineUs != deadlinesUs[slots[i].kind])
            {
                slots[i].deadlineUs = deadlinesUs[slots[i].kind];
                moved[slots[i].kind] = true;
                earliest = earliest || slots[i].deadlineUs < *before;
            }
    }
    // A deadline moved later, or not before the one it waits for, wakes the scheduler in time.
    if (wake && earliest)
        wake->Wake();
    return moved;
}

std::optional<std::int64_t> SendQueue::NextDeadline() const
{
    std::optional<std::int64_t> next;
    const std::lock_guard lock(mutex);
    for (std::size_t i = 0; i < kCapacity; ++i)
        if (used[i] && (!next || slots[i].deadlineUs < *next))
            next = slots[i].deadlineUs;
    return next;
}

bool SendQueue::TakeDue(std::int64_t nowUs, ScheduledMessage& out)
{
    const std::lock_guard lock(mutex);
    std::size_t earliest = kCapacity;
    for (std::size_t i = 0; i < kCapacity; ++i)
        if (used[i] &&
            (earliest == kCapacity || slots[i].deadlineUs < slots[earliest].deadlineUs ||
             (slots[i].deadlineUs == slots[earliest].deadlineUs && order[i] < order[earliest])))
            earliest = i;
    if (earliest == kCapacity || slots[earliest].deadlineUs > nowUs)
        return false;
    out = std::move(slots[earliest]);
    used[earliest] = false;
    return true;
}

std::size_t SendQueue::Waiting(const SendChannel& owner) const
{
    const std::lock_guard lock(mutex);
    return WaitingLocked(&owner, std::numeric_limits<std::int64_t>::min());
}

std::size_t SendQueue::Waiting() const
{
    const std::lock_guard lock(mutex);
    return WaitingLocked(nullptr, std::numeric_limits<std::int64_t>::min());
}

std::size_t SendQueue::WaitingLocked(const SendChannel* owner, std::int64_t afterUs) const
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < kCapacity; ++i)
        count +=
            used[i] && (!owner || slots[i].channel.get() == owner) && slots[i].deadlineUs > afterUs
                ? 1u
                : 0u;
    return count;
}
