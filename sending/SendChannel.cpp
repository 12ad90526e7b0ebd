#include "sending/SendChannel.h"

#include <algorithm>
#include <mutex>
#include <utility>

void SendChannel::Keep(const SendFailureReport& report) noexcept
{
    const std::lock_guard lock(mutex);
    if (kept < reports.size())
        reports[kept++] = report;
    else
        ++overflow;
    std::optional<SendFailureReport>& latest = latestOutcomes[report.message];
    const bool marks = report.what == Reported::NotSent || report.what == Reported::SentLate;
    if (marks && (!latest || latest->dispatch < report.dispatch))
        latest = report;
    pending.store(true);
}

std::size_t SendChannel::TakeReports(Reports& out, std::size_t& dropped, Latest& latest)
{
    const std::lock_guard lock(mutex);
    const std::size_t taken = std::exchange(kept, 0);
    std::copy_n(reports.begin(), taken, out.begin());
    dropped = std::exchange(overflow, 0);
    latest = std::exchange(latestOutcomes, Latest{});
    pending.store(false);
    return taken;
}
