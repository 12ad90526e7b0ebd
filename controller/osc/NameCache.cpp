#include "controller/osc/NameCache.h"

#include "platform/ModulePin.h"
#include "platform/SteadyClock.h"

#include <algorithm>
#include <thread>
#include <utility>

namespace osc
{

bool NameCache::IsFresh(const Entry& entry, std::int64_t nowMs) const
{
    const std::int64_t kept = entry.found ? limits.successKeptMs : limits.failureKeptMs;
    return entry.answered && nowMs - entry.answeredMs < kept;
}

bool NameCache::WantsRefresh(const Entry& entry, std::int64_t nowMs) const
{
    return !entry.lookingUp &&
           (!IsFresh(entry, nowMs) || nowMs - entry.answeredMs >= limits.successRefreshedMs);
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
    bool found = false;
    try
    {
        const platform::SocketCalls& calls = platform::CurrentSocketCalls();
        found = calls.startUp() &&
                calls.resolve(entry.host.c_str(), entry.service.c_str(), addresses) &&
                !addresses.empty();
    }
    catch (...)
    {
        const std::lock_guard lock(mutex);
        entry.lookingUp = false;
        answered.notify_all();
        throw;
    }
    const std::lock_guard lock(mutex);
    entry.answered = true;
    entry.found = found;
    entry.addresses = found ? std::move(addresses) : std::vector<platform::ResolvedAddress>{};
    entry.answeredMs = platform::SteadyClockMs();
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

bool NameCache::Resolve(const std::string& host, std::int32_t port,
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
    const bool refresh = WantsRefresh(*entry, platform::SteadyClockMs()) && entry->found &&
                         ClaimBackgroundLookup(*entry);
    out.insert(out.end(), entry->addresses.begin(), entry->addresses.end());
    const bool found = entry->found;
    lock.unlock();
    if (refresh)
        StartBackgroundLookup(entry);
    return found;
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

bool ResolveHost(const std::string& host, std::int32_t port,
                 std::vector<platform::ResolvedAddress>& out)
{
    if (platform::IsNumericHost(host.c_str()))
        return platform::CurrentSocketCalls().resolve(host.c_str(), std::to_string(port).c_str(),
                                                      out);
    return SharedNameCache().Resolve(host, port, out);
}

void PrefetchHost(const std::string& host, std::int32_t port)
{
    if (!host.empty() && !platform::IsNumericHost(host.c_str()))
        SharedNameCache().Prefetch(host, port);
}

} // namespace osc
