#include "controller/SendChannel.h"

#include <algorithm>
#include <utility>

namespace
{
std::atomic<int> liveInProcess{0};
} // namespace

SenderSlot::~SenderSlot()
{
    if (channel)
        channel->GiveBack();
}

SenderSlot& SenderSlot::operator=(SenderSlot&& other) noexcept
{
    SenderSlot old(std::move(*this));
    channel = std::move(other.channel);
    return *this;
}

void SenderSlot::Report(const SendFailureReport& report) const noexcept
{
    if (channel)
        channel->Keep(report);
}

SenderSlot SendChannel::TakeSlot() noexcept
{
    if (live.fetch_add(1) >= kPerInstance)
    {
        live.fetch_sub(1);
        return {};
    }
    if (liveInProcess.fetch_add(1) >= kPerProcess)
    {
        liveInProcess.fetch_sub(1);
        live.fetch_sub(1);
        return {};
    }
    return SenderSlot(shared_from_this());
}

void SendChannel::GiveBack() noexcept
{
    liveInProcess.fetch_sub(1);
    live.fetch_sub(1);
}

int SendChannel::LiveThreadsInProcess() noexcept
{
    return liveInProcess.load();
}

void SendChannel::Keep(const SendFailureReport& report) noexcept
{
    const std::lock_guard lock(mutex);
    if (kept < reports.size())
        reports[kept++] = report;
    else
        ++overflow;
    pending.store(true);
}

std::size_t SendChannel::TakeReports(Reports& out, std::size_t& dropped)
{
    const std::lock_guard lock(mutex);
    const std::size_t taken = std::exchange(kept, 0);
    std::copy_n(reports.begin(), taken, out.begin());
    dropped = std::exchange(overflow, 0);
    pending.store(false);
    return taken;
}
