// What an instance shares with its sender threads, which may outlive it: how many of them are
// alive, within a bound per instance and one per process, and the failures they met, kept until
// the render thread collects them.
#pragma once

#include "controller/SendFailure.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>

class SendChannel;

// A place among the sender threads allowed to be alive, held by one send job and given back
// when the job ends. Move-only.
class SenderSlot
{
public:
    SenderSlot() = default;
    ~SenderSlot();
    SenderSlot(SenderSlot&& other) noexcept = default;
    SenderSlot& operator=(SenderSlot&& other) noexcept;
    SenderSlot(const SenderSlot&) = delete;
    SenderSlot& operator=(const SenderSlot&) = delete;

    explicit operator bool() const noexcept { return channel != nullptr; }
    // Hands a failed message back to the instance. Allocates nothing; any thread.
    void Report(const SendFailureReport& report) const noexcept;

private:
    friend class SendChannel;
    explicit SenderSlot(std::shared_ptr<SendChannel> owner) noexcept : channel(std::move(owner)) {}

    std::shared_ptr<SendChannel> channel;
};

class SendChannel : public std::enable_shared_from_this<SendChannel>
{
public:
    static constexpr int kPerInstance = 4;
    static constexpr int kPerProcess = 64;
    static constexpr std::size_t kReportCapacity = 64;
    using Reports = std::array<SendFailureReport, kReportCapacity>;

    // A slot for one more sender thread; an empty one when a bound is reached. Any thread.
    SenderSlot TakeSlot() noexcept;

    // Whether failures wait to be collected. Any thread; no lock.
    bool HasReports() const noexcept { return pending.load(); }
    // Moves the kept reports into `out` and answers how many; `dropped` receives how many did
    // not fit since the last time. Render thread.
    std::size_t TakeReports(Reports& out, std::size_t& dropped);

    // Sender threads alive now in the whole process.
    static int LiveThreadsInProcess() noexcept;

private:
    friend class SenderSlot;
    void GiveBack() noexcept;
    void Keep(const SendFailureReport& report) noexcept;

    std::atomic<int> live{0};
    std::mutex mutex;
    Reports reports{};
    std::size_t kept = 0;
    std::size_t overflow = 0;
    std::atomic<bool> pending{false};
};
