// Name lookups kept for a while, so that a cue to a named machine does not wait for its lookup
// and a storm of sends to a dead name costs one lookup, not one each.
//
// A name is looked up in the background when it is set (Prefetch), or by the first send that
// needs it. The answer is kept: a success for a minute, looked up again in the background when
// it grows old while still in use. A lookup that fails does not throw a good answer away: the
// last addresses found serve for ten minutes more, as a name server that stops answering
// mid-show must not silence the cues. With nothing good to serve, a name that does not resolve
// is kept for a few seconds, a name server that did not answer is asked again after one. A send
// takes the kept answer, waits for a lookup already under way, and looks up itself only when
// there is neither. Numeric addresses never reach the cache (ResolveHost, PrefetchHost).
#pragma once

#include "platform/UdpSocketApi.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace osc
{

// What a send gets from a lookup.
struct Resolution
{
    platform::LookupStatus status = platform::LookupStatus::NotFound; // Resolved: addresses given
    // Set when the addresses are the last good ones, standing in for a lookup that failed, and
    // this send is the first to get them since: that lookup's status, to be told once.
    std::optional<platform::LookupStatus> failedLookup;
};

class NameCache
{
public:
    struct Limits
    {
        std::int64_t failureKeptMs = 5000;
        std::int64_t noAnswerKeptMs = 1000;
        std::int64_t successKeptMs = 60000;
        std::int64_t successRefreshedMs = 30000; // a use after this looks it up again, meanwhile
        std::int64_t lastGoodServedMs = 600000;  // after it was found, in place of failures
        std::size_t entries = 64;                // names kept; the oldest answer goes first
        std::size_t backgroundLookups = 4;       // lookups under way on threads of their own
    };

    NameCache() = default;
    NameCache(const NameCache&) = delete;
    NameCache& operator=(const NameCache&) = delete;

    // Starts a background lookup of the name unless a fresh answer is kept or a lookup is under
    // way. Never waits for the network; when no thread can be had, the first send looks it up.
    // Any thread.
    void Prefetch(const std::string& host, std::int32_t port);

    // The addresses for host and port, as the socket seam's resolve gives them: Resolved with
    // the entries appended to `out`, else why there are none. Blocking while a lookup runs:
    // sender threads only.
    Resolution Resolve(const std::string& host, std::int32_t port,
                       std::vector<platform::ResolvedAddress>& out);

    // What Resolve would answer, if it can without waiting for a lookup; else nothing, and a
    // background lookup of the name is under way (unless the bound on them is reached). Never
    // waits for the network: the send scheduler's thread.
    std::optional<Resolution> TryResolve(const std::string& host, std::int32_t port,
                                         std::vector<platform::ResolvedAddress>& out);

    // Background lookups under way now. Any thread.
    std::size_t BackgroundLookups() const;

    // Tests only: drops every kept answer; lookups under way finish into nothing.
    void Forget();

private:
    struct Entry
    {
        std::string host;
        std::string service; // the port in decimal
        bool answered = false;
        platform::LookupStatus status = platform::LookupStatus::NotFound; // of the last lookup
        std::int64_t answeredMs = 0;
        // The last addresses found, and when; non-empty once a lookup succeeded.
        std::vector<platform::ResolvedAddress> addresses;
        std::int64_t foundMs = 0;
        bool failureTold = false; // a send got the last good addresses since the last failure
        bool lookingUp = false;
    };
    using EntryPtr = std::shared_ptr<Entry>;

    // Whether the last addresses found may still serve a send.
    bool HasLastGood(const Entry& entry, std::int64_t nowMs) const;
    // Whether a send may take what is kept without a lookup of its own.
    bool IsFresh(const Entry& entry, std::int64_t nowMs) const;
    bool WantsRefresh(const Entry& entry, std::int64_t nowMs) const;
    // What a send gets from the entry as it stands; marks a failure told. With the lock held.
    Resolution Answer(Entry& entry, std::int64_t nowMs,
                      std::vector<platform::ResolvedAddress>& out) const;
    // The entry for the name, made (and the oldest answer dropped when full) if there is none.
    // With the lock held.
    EntryPtr Slot(const std::string& host, std::int32_t port);
    // Answer, then a background refresh where the answer grows old; releases the lock.
    Resolution AnswerAndRefresh(std::unique_lock<std::mutex> lock, const EntryPtr& entry,
                                std::vector<platform::ResolvedAddress>& out);
    // Claims a background lookup for the entry, with the lock held; false at the bound.
    bool ClaimBackgroundLookup(Entry& entry);
    // Starts the thread for a claimed lookup, without the lock; gives the claim back when no
    // thread can be had.
    void StartBackgroundLookup(const EntryPtr& entry);
    void RunBackgroundLookup(const EntryPtr& entry) noexcept;
    // Looks the entry's name up without the lock and stores the answer; clears lookingUp and
    // wakes every waiter whatever happens.
    void LookUp(Entry& entry);

    const Limits limits{};
    mutable std::mutex mutex;
    std::condition_variable answered;
    std::map<std::string, EntryPtr> entries; // key: host, a zero byte, the port
    std::size_t backgroundLookups = 0;
};

// The process-wide cache the sender uses, made by the first name that needs it. Lives for the
// whole process, so that a background lookup may outlive every instance.
NameCache& SharedNameCache();

// The addresses for host and port: a numeric address converted on the spot, a name through the
// shared cache. Blocking: sender threads only.
Resolution ResolveHost(const std::string& host, std::int32_t port,
                       std::vector<platform::ResolvedAddress>& out);
// ResolveHost as a Resolver (sending/OscSender.h): it always answers, waiting if it must.
std::optional<Resolution> ResolveHostWaiting(const std::string& host, std::int32_t port,
                                             std::vector<platform::ResolvedAddress>& out);
// Starts the shared cache's background lookup of a name; nothing for an empty or numeric host.
// Never waits for the network. Any thread.
void PrefetchHost(const std::string& host, std::int32_t port);
// The addresses for host and port if they can be had without waiting: a numeric address
// converted on the spot, a name the shared cache answers (else a lookup starts, and nothing).
std::optional<Resolution> ResolveHostNow(const std::string& host, std::int32_t port,
                                         std::vector<platform::ResolvedAddress>& out);

} // namespace osc
