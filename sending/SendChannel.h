// The failures of an instance's messages, handed back by the send scheduler and the lookup
// threads and kept until the render thread collects them. Shared with the messages waiting in
// the queue, so it outlives an instance whose messages are still on their way.
#pragma once

#include "platform/InheritingMutex.h"
#include "sending/SendFailure.h"

#include <array>
#include <atomic>
#include <cstddef>

class SendChannel
{
public:
    static constexpr std::size_t kReportCapacity = 64;
    using Reports = std::array<SendFailureReport, kReportCapacity>;

    // A failed message, kept until collected; beyond the capacity only counted. Allocates
    // nothing; the scheduler's and lookup threads.
    void Keep(const SendFailureReport& report) noexcept;
    // Whether failures wait to be collected. Any thread; no lock.
    bool HasReports() const noexcept { return pending.load(); }
    // Moves the kept reports into `out` and answers how many; `dropped` receives how many did
    // not fit since the last time. Render thread.
    std::size_t TakeReports(Reports& out, std::size_t& dropped);

private:
    platform::InheritingMutex mutex; // held for a copy; the scheduler's is raised
    Reports reports{};
    std::size_t kept = 0;
    std::size_t overflow = 0;
    std::atomic<bool> pending{false};
};
