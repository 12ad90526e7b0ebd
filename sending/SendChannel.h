// The failures of an instance's messages, handed back by the send scheduler and the lookup
// threads and kept until the render thread collects them. Shared with the messages waiting in
// the queue, so it outlives an instance whose messages are still on their way.
#pragma once

#include "platform/InheritingMutex.h"
#include "sending/SendFailure.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <optional>

class SendChannel
{
public:
    static constexpr std::size_t kReportCapacity = 64;
    using Reports = std::array<SendFailureReport, kReportCapacity>;
    // For each kind of message, the report of its latest schedule that failed or went late:
    // what its Status field shows, kept whatever the room for the log's lines.
    using Latest = std::array<std::optional<SendFailureReport>, kMessageKinds>;

    // A failed message, kept until collected; beyond the capacity only counted. Allocates
    // nothing; the scheduler's and lookup threads.
    void Keep(const SendFailureReport& report) noexcept;
    // Whether failures wait to be collected. Any thread; no lock.
    bool HasReports() const noexcept { return pending.load(); }
    // Moves the kept reports into `out` and answers how many; `dropped` receives how many did
    // not fit since the last time, `latest` the latest outcome of each kind since then. Render
    // thread.
    std::size_t TakeReports(Reports& out, std::size_t& dropped, Latest& latest);

private:
    platform::InheritingMutex mutex; // held for a copy; the scheduler's is raised
    Reports reports{};
    std::size_t kept = 0;
    std::size_t overflow = 0;
    Latest latestOutcomes{};
    std::atomic<bool> pending{false};
};
