// The names the instances send to, and the moments of the cues that will need them: written by
// each instance when a sequence starts or a setting it depends on changes, read by the send
// scheduler, which has every name looked up in time for its cues. One place per instance, in
// room fixed at start; an instance beyond kCapacity has its name looked up when first used.
//
// Threads: Set and Clear from any thread (the render thread's), never blocking beyond a copy:
// the lock has priority inheritance (platform/InheritingMutex.h) and nobody wakes. CopyIfChanged
// from the scheduler's.
#pragma once

#include "platform/InheritingMutex.h"
#include "sending/ScheduledMessage.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

class NameNeeds
{
public:
    static constexpr std::size_t kCapacity = 64;
    using Moments = std::array<std::optional<std::int64_t>, kMessageKinds>; // on the steady clock

    struct Need
    {
        const void* owner = nullptr;
        std::size_t hostLength = 0;
        std::array<char, ScheduledMessage::kHostRoom> host{};
        std::int32_t port = 0;
        Moments momentsUs{};

        std::string_view Host() const { return std::string_view(host.data(), hostLength); }
    };
    using Needs = std::array<Need, kCapacity>;

    // What the owner (an instance's token) sends to now, and when its cues fall; a longer host
    // than a message can carry is never looked up. Allocates nothing.
    void Set(const void* owner, std::string_view host, std::int32_t port, const Moments& momentsUs);
    // The owner sends no more.
    void Clear(const void* owner);
    // Copies the needs into `out` and answers how many, when they changed since `seen` (which
    // it updates); else nothing.
    std::optional<std::size_t> CopyIfChanged(std::uint64_t& seen, Needs& out) const;

private:
    mutable platform::InheritingMutex mutex;
    Needs needs{};
    std::size_t count = 0;
    std::uint64_t version = 0;
};
