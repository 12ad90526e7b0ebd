#include "controller/SendWait.h"

#include "platform/SteadyClock.h"

#include <algorithm>
#include <chrono>

namespace
{
// Waiting on the condition can be called off but wakes coarsely; the system's deadline sleep
// takes the last stretch, and a spin the last part of that.
constexpr std::int64_t kFineWaitUs = 2000;
constexpr std::int64_t kSpinUs = 300;
// The condition is woken by calling off; these steps bound how far a test clock can run ahead.
constexpr std::int64_t kCoarseStepUs = 1000;
} // namespace

bool SendWait::Until(std::int64_t deadlineUs)
{
    {
        std::unique_lock lock(mutex);
        going = false;
        waitingForUs = deadlineUs;
        for (;;)
        {
            if (deadlineUs >= offFromUs.load())
            {
                slot = SenderSlot();
                return false;
            }
            const std::int64_t left = deadlineUs - platform::SteadyClockUs();
            if (left <= kFineWaitUs)
                break;
            wake.wait_for(lock,
                          std::chrono::microseconds(std::min(left - kFineWaitUs, kCoarseStepUs)));
        }
    }
    platform::SleepUntilUs(deadlineUs - kSpinUs);
    while (platform::SteadyClockUs() < deadlineUs && deadlineUs < offFromUs.load())
    {
    }
    const std::lock_guard lock(mutex);
    going = deadlineUs < offFromUs.load();
    if (!going)
        slot = SenderSlot();
    return going;
}

void SendWait::Report(const SendFailureReport& report)
{
    const std::lock_guard lock(mutex);
    slot.Report(report);
}

void SendWait::Finish() noexcept
{
    const std::lock_guard lock(mutex);
    going = false;
    slot = SenderSlot();
}

void SendWait::CallOff(std::int64_t fromUs) noexcept
{
    {
        const std::lock_guard lock(mutex);
        offFromUs.store(std::min(offFromUs.load(), fromUs));
        if (!going && waitingForUs >= fromUs)
            slot = SenderSlot();
    }
    wake.notify_all();
}
