#include "sending/NameCache.h"

#include "platform/SteadyClock.h"
#include "sending/BackgroundThread.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace osc
{

namespace
{
// How long a failed lookup stands before the name is asked again.
std::int64_t PauseMs(const NameCache::Limits& limits, platform::LookupStatus status)
{
    return status == platform::LookupStatus::NoAnswer ? limits.noAnswerKeptMs
                                                      : limits.failureKeptMs;
}

bool SameAddresses(const std::vector<platform::ResolvedAddress>& a,
                   const std::vector<platform::ResolvedAddress>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const platform::ResolvedAddress& x, const platform::ResolvedAddress& y)
                      {
                          return x.family == y.family && x.addressLength == y.addressLength &&
                                 std::memcmp(x.address.data(), y.address.data(), x.addressLength) ==
                                     0;
                      });
}
} // namespace

bool NameCache::FailureStands(const Entry& entry, std::int64_t nowMs) const
{
    return entry.answered && entry.status != platform::LookupStatus::Resolved &&
           nowMs - entry.answeredMs < PauseMs(limits, entry.status);
}

bool NameCache::WantsRefresh(const Entry& entry, std::int64_t nowMs) const
{
    if (entry.lookingUp || FailureStands(entry, nowMs))
        return false;
    return entry.status != platform::LookupStatus::Resolved ||
           nowMs - entry.answeredMs >= limits.successRefreshedMs;
}

Resolution NameCache::Answer(Entry& entry, std::vector<platform::ResolvedAddress>& out) const
{
    if (entry.addresses.empty())
        return Resolution{entry.status, std::nullopt, false, false};
    out.insert(out.end(), entry.addresses.begin(), entry.addresses.end());
    Resolution answer{platform::LookupStatus::Resolved, std::nullopt,
                      !std::exchange(entry.newAddressTold, true), false};
    if (entry.status != platform::LookupStatus::Resolved && !std::exchange(entry.failureTold, true))
        answer.failedLookup = entry.status;
    return answer;
}

NameCache::EntryPtr NameCache::Slot(const std::string& host, std::int32_t port, std::int64_t nowMs)
{
    std::string service = std::to_string(port);
    std::string key = host;
    key.push_back('\0');
    key += service;
    if (const auto found = entries.find(key); found != entries.end())
    {
        found->second->usedMs = nowMs;
        return found->second;
    }
    if (entries.size() >= limits.entries)
    {
        // A lookup under way stays: its waiters hold the entry, and its answer is wanted.
        auto unused = entries.end();
        for (auto it = entries.begin(); it != entries.end(); ++it)
            if (!it->second->lookingUp &&
                (unused == entries.end() || it->second->usedMs < unused->second->usedMs))
                unused = it;
        if (unused != entries.end())
            entries.erase(unused);
    }
    auto entry = std::make_shared<Entry>();
    entry->host = host;
    entry->service = std::move(service);
    entry->usedMs = nowMs;
    entries.emplace(std::move(key), entry);
    return entry;
}

bool NameCache::LookUpInBackground(std::unique_lock<platform::InheritingMutex> lock,
                                   const EntryPtr& entry)
{
    entry->lookingUp = true;
    if (backgroundLookups >= limits.backgroundLookups)
    {
        turns.push_back(entry);
        return true;
    }
    ++backgroundLookups;
    lock.unlock();
    if (StartBackgroundThread("vdrx-lookup", [this, entry] { RunBackgroundLookups(entry); }))
        return true;
    lock.lock();
    --backgroundLookups;
    entry->lookingUp = false;
    answered.notify_all();
    return false;
}

void NameCache::RunBackgroundLookups(EntryPtr entry) noexcept
{
    while (entry)
    {
        try
        {
            LookUp(*entry);
        }
        catch (...)
        {
            // Kept as a failure (LookUp).
        }
        void (*handler)() = nullptr;
        {
            const std::lock_guard lock(mutex);
            handler = answeredHandler;
            entry.reset();
            if (!turns.empty())
            {
                entry = std::move(turns.front());
                turns.pop_front();
            }
            else
                --backgroundLookups;
        }
        if (handler)
            handler();
    }
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
        // Stands as a failure for its pause, so that nobody asks again at once.
        const std::lock_guard lock(mutex);
        entry.answered = true;
        entry.status = platform::LookupStatus::NotFound;
        entry.answeredMs = platform::SteadyClockMs();
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
        if (!entry.addresses.empty() && !SameAddresses(entry.addresses, addresses))
            entry.newAddressTold = false;
        entry.addresses = std::move(addresses);
        entry.foundMs = nowMs;
        entry.failureTold = false;
    }
    entry.lookingUp = false;
    answered.notify_all();
}

void NameCache::LookUpAhead(const std::string& host, std::int32_t port, const Known& seen)
{
    std::unique_lock lock(mutex);
    const std::int64_t nowMs = platform::SteadyClockMs();
    const EntryPtr entry = Slot(host, port, nowMs);
    if (!entry->lookingUp && KnownOf(*entry).foundMs == seen.foundMs &&
        !FailureStands(*entry, nowMs))
        LookUpInBackground(std::move(lock), entry);
}

Known NameCache::Know(const std::string& host, std::int32_t port)
{
    const std::lock_guard lock(mutex);
    return KnownOf(*Slot(host, port, platform::SteadyClockMs()));
}

Known NameCache::KnownOf(const Entry& entry)
{
    return Known{entry.answered || entry.lookingUp,
                 entry.addresses.empty() ? std::nullopt : std::optional(entry.foundMs)};
}

Resolution NameCache::Resolve(const std::string& host, std::int32_t port,
                              std::vector<platform::ResolvedAddress>& out)
{
    std::unique_lock lock(mutex);
    const EntryPtr entry = Slot(host, port, platform::SteadyClockMs());
    while (entry->addresses.empty() && !FailureStands(*entry, platform::SteadyClockMs()))
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
    const std::int64_t nowMs = platform::SteadyClockMs();
    const EntryPtr entry = Slot(host, port, nowMs);
    if (!entry->addresses.empty() || FailureStands(*entry, nowMs))
        return AnswerAndRefresh(std::move(lock), entry, out);
    if (entry->lookingUp || LookUpInBackground(std::move(lock), entry))
        return std::nullopt;
    return Resolution{platform::LookupStatus::NotFound, std::nullopt, false, true};
}

Resolution NameCache::AnswerAndRefresh(std::unique_lock<platform::InheritingMutex> lock,
                                       const EntryPtr& entry,
                                       std::vector<platform::ResolvedAddress>& out)
{
    const Resolution answer = Answer(*entry, out);
    if (answer.status == platform::LookupStatus::Resolved &&
        WantsRefresh(*entry, platform::SteadyClockMs()))
        LookUpInBackground(std::move(lock), entry);
    return answer;
}

std::size_t NameCache::BackgroundLookups() const
{
    const std::lock_guard lock(mutex);
    return backgroundLookups;
}

void NameCache::SetAnsweredHandler(void (*handler)())
{
    const std::lock_guard lock(mutex);
    answeredHandler = handler;
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

bool NeedsLookup(const std::string& host)
{
    return !host.empty() && !platform::IsNumericHost(host.c_str());
}

Resolution ResolveHost(const std::string& host, std::int32_t port,
                       std::vector<platform::ResolvedAddress>& out)
{
    if (!NeedsLookup(host))
        return Resolution{
            platform::CurrentSocketCalls().resolve(host.c_str(), std::to_string(port).c_str(), out),
            std::nullopt, false, false};
    return SharedNameCache().Resolve(host, port, out);
}

std::optional<Resolution> ResolveHostWaiting(const std::string& host, std::int32_t port,
                                             std::vector<platform::ResolvedAddress>& out)
{
    return ResolveHost(host, port, out);
}

std::optional<Resolution> ResolveHostNow(const std::string& host, std::int32_t port,
                                         std::vector<platform::ResolvedAddress>& out)
{
    if (!NeedsLookup(host))
        return ResolveHost(host, port, out);
    return SharedNameCache().TryResolve(host, port, out);
}

} // namespace osc
