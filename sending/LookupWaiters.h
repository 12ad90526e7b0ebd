// Messages whose moment came before their name had ever been found: they wait here, beside the
// queue, for the name's lookup (one lookup, however many wait for it), and go when it answers.
// Room fixed at start; they do not count against their instance's places in the queue.
//
// Threads: only the send scheduler's holds and releases; Held() from any thread.
#pragma once

#include "sending/ScheduledMessage.h"

#include <array>
#include <atomic>
#include <cstddef>

class LookupWaiters
{
public:
    static constexpr std::size_t kCapacity = 64;

    // Keeps the message (moved from); false when the room is full.
    bool Hold(ScheduledMessage& message) noexcept;
    // Offers each held message, in the order they came, to `go`, which answers whether it went
    // (or failed for good); those are let go of. Allocates nothing of its own.
    template <typename Go> void Offer(Go go)
    {
        std::size_t kept = 0;
        const std::size_t count = held.load();
        for (std::size_t i = 0; i < count; ++i)
            if (!go(messages[i]) && kept++ != i)
                messages[kept - 1] = std::move(messages[i]);
        for (std::size_t i = kept; i < count; ++i)
            messages[i].channel.reset();
        held.store(kept);
    }
    std::size_t Held() const noexcept { return held.load(); }

private:
    std::array<ScheduledMessage, kCapacity> messages;
    std::atomic<std::size_t> held{0};
};
