#include "sending/NameCache.h"

#include "platform/ModulePin.h"
#include "platform/SteadyClock.h"

#include <algorithm>
#include <thread>
#include <utility>

namespace osc
{

namespace
{
// How long a lookup's outcome stands before a send looks the name up again.
std::int64_t KeptMs(const NameCache::Limits& limits, platform::LookupStatus status)
{
    switch (status)
    {
    case platform::LookupStatus::Resolved:
        return limits.successKeptMs;
    case platform::LookupStatus::NoAnswer:
        return limits.noAnswerKeptMs;
    case platform::LookupStatus::NotFound:
        break;
    }
    return limits.failureKeptMs;
}
} // namespace

bool NameCache::HasLastGood(const Entry& entry, std::int64_t nowMs) const
{
    return !entry.addresses.empty() && nowMs - entry.foundMs < limits.lastGoodServedMs;
}

bool NameCache::IsFresh(const Entry& entry, std::int64_t nowMs) const
{
    const bool failed = entry.status != platform::LookupStatus::Resolved;
    return entry.answered && (nowMs - entry.answeredMs < KeptMs(limits, entry.status) ||
                              (failed && HasLastGood(entry, nowMs)));
}

bool NameCache::WantsRefresh(const Entry& entry, std::int64_t nowMs) const
{
    const std::int64_t refreshMs = entry.status == platform::LookupStatus::Resolved
                                       ? limits.successRefreshedMs
                                       : KeptMs(limits, entry.status);
    return !entry.lookingUp && (!entry.answered || nowMs - entry.answeredMs >= refreshMs);
}

Resolution NameCache::Answer(Entry& entry, std::int64_t nowMs,
                             std::vector<platform::ResolvedAddress>& out) const
{
    if (!HasLastGood(entry, nowMs))
        return Resolution{entry.status, std::nullopt};
    out.insert(out.end(), entry.addresses.begin(), entry.addresses.end());
    Resolution answer{platform::LookupStatus::Resolved, std::nullopt};
    if (entry.status != platform::LookupStatus::Resolved && !std::exchange(entry.failureTold, true))
        answer.failedLookup = entry.status;
    return answer;
}

NameCache::EntryPtr NameCache::Slot(const std::string& host, std::int32_t port)
{
    std::string service = std::to_string(port);
    std::string key = host;
    key.push_back('\0');
    key += service;
    const auto found = entries.find(key);
    if (found != entries.end())
        return found->second;
    if (entries.size() >= limits.entries)
    {
        // A lookup under way stays: its waiters hold the entry, and its answer is wanted.
        auto oldest = entries.end();
        for (auto it = entries.begin(); it != entries.end(); ++it)
            if (!it->second->lookingUp &&
                (oldest == entries.end() || it->second->answeredMs < oldest->second->answeredMs))
                oldest = it;
        if (oldest != entries.end())
            entries.erase(oldest);
    }
    auto entry = std::make_shared<Entry>();
    entry->host = host;
    entry->service = std::move(service);
    entries.emplace(std::move(key), entry);
    return entry;
}

bool NameCache::ClaimBackgroundLookup(Entry& entry)
{
    if (backgroundLookups >= limits.backgroundLookups)
        return false;
    ++backgroundLookups;
    entry.lookingUp = true;
    return true;
}

void NameCache::StartBackgroundLookup(const EntryPtr& entry)
{
    try
    {
        // The lookup may outlive every instance and the host's unload of the library.
        platform::PinThisModule();
        std::thread([this, entry] { RunBackgroundLookup(entry); }).detach();
    }
    catch (...)
    {
        const std::lock_guard lock(mutex);
        --backgroundLookups;
        entry->lookingUp = false;
        answered.notify_all();
    }
}

void NameCache::RunBackgroundLookup(const EntryPtr& entry) noexcept
{
    try
    {
        LookUp(*entry);
    }
    catch (...)
    {
        // No answer kept: the next send looks the name up itself.
    }
    const std::lock_guard lock(mutex);
    --backgroundLookups;
}

void NameCache::LookUp(Entry& entry)
{
    std::vector<platform::ResolvedAddress> addresses;
    platform::LookupStatus status = platform::LookupStatus::NotFound;
    try
    {
        const platform::SocketCalls& calls = platform::CurrentSocketCalls();
        if (calls.startUp())
            status = calls.resolve(entry.host.c_str(), entry.service.c_str(), addresses);
    }
    catch (...)
    {
        const std::lock_guard lock(mutex);
        entry.lookingUp = false;
        answered.notify_all();
        throw;
    }
    if (status == platform::LookupStatus::Resolved && addresses.empty())
        status = platform::LookupStatus::NotFound;
    const std::lock_guard lock(mutex);
    const std::int64_t nowMs = platform::SteadyClockMs();
    entry.answered = true;
    entry.status = status;
    entry.answeredMs = nowMs;
    if (status == platform::LookupStatus::Resolved)
    {
        entry.addresses = std::move(addresses);
        entry.foundMs = nowMs;
        entry.failureTold = false;
    }
    entry.lookingUp = false;
    answered.notify_all();
}

void NameCache::Prefetch(const std::string& host, std::int32_t port)
{
    EntryPtr entry;
    {
        const std::lock_guard lock(mutex);
        entry = Slot(host, port);
        if (!WantsRefresh(*entry, platform::SteadyClockMs()) || !ClaimBackgroundLookup(*entry))
            return;
    }
    StartBackgroundLookup(entry);
}

Resolution NameCache::Resolve(const std::string& host, std::int32_t port,
                              std::vector<platform::ResolvedAddress>& out)
{
    std::unique_lock lock(mutex);
    const EntryPtr entry = Slot(host, port);
    while (!IsFresh(*entry, platform::SteadyClockMs()))
    {
        if (!entry->lookingUp)
        {
            entry->lookingUp = true;
            lock.unlock();
            LookUp(*entry);
            lock.lock();
            break; // a fresh answer, however long the lookup took
        }
        answered.wait(lock);
    }
    return AnswerAndRefresh(std::move(lock), entry, out);
}

std::optional<Resolution> NameCache::TryResolve(const std::string& host, std::int32_t port,
                                                std::vector<platform::ResolvedAddress>& out)
{
    std::unique_lock lock(mutex);
    const EntryPtr entry = Slot(host, port);
    if (IsFresh(*entry, platform::SteadyClockMs()))
        return AnswerAndRefresh(std::move(lock), entry, out);
    const bool lookUp = !entry->lookingUp && ClaimBackgroundLookup(*entry);
    lock.unlock();
    if (lookUp)
        StartBackgroundLookup(entry);
    return std::nullopt;
}

Resolution NameCache::AnswerAndRefresh(std::unique_lock<std::mutex> lock, const EntryPtr& entry,
                                       std::vector<platform::ResolvedAddress>& out)
{
    const std::int64_t nowMs = platform::SteadyClockMs();
    const Resolution answer = Answer(*entry, nowMs, out);
    const bool refresh = answer.status == platform::LookupStatus::Resolved &&
                         WantsRefresh(*entry, nowMs) && ClaimBackgroundLookup(*entry);
    lock.unlock();
    if (refresh)
        StartBackgroundLookup(entry);
    return answer;
}

std::size_t NameCache::BackgroundLookups() const
{
    const std::lock_guard lock(mutex);
    return backgroundLookups;
}

void NameCache::Forget()
{
    const std::lock_guard lock(mutex);
    entries.clear();
}

NameCache& SharedNameCache()
{
    static NameCache* const cache = new NameCache();
    return *cache;
}

Resolution ResolveHost(const std::string& host, std::int32_t port,
                       std::vector<platform::ResolvedAddress>& out)
{
    if (platform::IsNumericHost(host.c_str()))
        return Resolution{
            platform::CurrentSocketCalls().resolve(host.c_str(), std::to_string(port).c_str(), out),
            std::nullopt};
    return SharedNameCache().Resolve(host, port, out);
}

void PrefetchHost(const std::string& host, std::int32_t port)
{
    if (!host.empty() && !platform::IsNumericHost(host.c_str()))
        SharedNameCache().Prefetch(host, port);
}

std::optional<Resolution> ResolveHostWaiting(const std::string& host, std::int32_t port,
                                             std::vector<platform::ResolvedAddress>& out)
{
    return ResolveHost(host, port, out);
}

std::optional<Resolution> ResolveHostNow(const std::string& host, std::int32_t port,
                                         std::vector<platform::ResolvedAddress>& out)
{
    if (platform::IsNumericHost(host.c_str()))
        return ResolveHost(host, port, out);
    return SharedNameCache().TryResolve(host, port, out);
}

} // namespace osc
