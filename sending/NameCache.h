// Name lookups kept for the whole show, so that no cue waits for a lookup once its name has
// resolved, and a storm of sends to a dead name costs one lookup, not one each.
//
// Names are looked up on threads of their own, at most Limits::backgroundLookups at once; a name
// beyond them waits its turn, and one lookup serves everyone who wants the name meanwhile. A name
// is looked up when a send first needs it, ahead of the cues that need it (LookUpAhead: the send
// scheduler asks in time for the answer to be fresh at each cue), and beside a send that finds
// its answer old. The addresses a lookup found stay for the life of the process: a send takes
// them at once however old they are, while a lookup that failed since is told once, and a lookup
// that found other addresses than before is told once too. With nothing ever found, a name that
// does not resolve is kept for a few seconds, a name server that did not answer is asked again
// after one, and a send waits for the name's lookup. Numeric addresses never reach the cache
// (ResolveHost, ResolveHostNow).
#pragma once

#include "platform/InheritingMutex.h"
#include "platform/UdpSocketApi.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
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
    // This send is the first to get the addresses of a lookup that found other ones than before.
    bool newAddress = false;
    // The name was never found and no thread could be started to look it up.
    bool noLookupThread = false;
};

// What the cache knows of a name, for deciding when to look it up ahead.
struct Known
{
    bool answered = false;               // a lookup of it has ended, or one is under way
    std::optional<std::int64_t> foundMs; // when its addresses were last found
};

class NameCache
{
public:
    struct Limits
    {
        std::int64_t failureKeptMs = 5000;
        std::int64_t noAnswerKeptMs = 1000;
        std::int64_t successRefreshedMs = 30000; // a send after this looks it up again, meanwhile
        std::size_t entries = 64;                // names kept; the longest unused goes first
        std::size_t backgroundLookups = 4;       // threads looking names up at once
    };

    NameCache() = default;
    NameCache(const NameCache&) = delete;
    NameCache& operator=(const NameCache&) = delete;

    // Has the name looked up in the background now, unless a lookup of it is under way or
    // waiting its turn, or it failed too recently to be asked again, or it was found again
    // since the caller saw it `seen` (a lookup that ended meanwhile). Never waits for the
    // network. Any thread.
    void LookUpAhead(const std::string& host, std::int32_t port, const Known& seen);
    // What the cache knows of the name now. Any thread.
    Known Know(const std::string& host, std::int32_t port);

    // The addresses for host and port, as the socket seam's resolve gives them: Resolved with
    // the entries appended to `out`, else why there are none. Blocking while the name's first
    // lookup runs: sender threads only.
    Resolution Resolve(const std::string& host, std::int32_t port,
                       std::vector<platform::ResolvedAddress>& out);

    // What Resolve would answer, if it can without waiting for a lookup; else nothing, and the
    // name's lookup is under way or waiting its turn. Never waits for the network: the send
    // scheduler's thread.
    std::optional<Resolution> TryResolve(const std::string& host, std::int32_t port,
                                         std::vector<platform::ResolvedAddress>& out);

    // Lookup threads alive now. Any thread.
    std::size_t BackgroundLookups() const;
    // Who hears that a lookup has ended (the send scheduler, whose messages may wait for it);
    // null for nobody. Called on the lookup's thread, without the cache's lock.
    void SetAnsweredHandler(void (*handler)());

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
        bool failureTold = false;   // a send got the last good addresses since the last failure
        bool newAddressTold = true; // a send got the addresses since they changed
        bool lookingUp = false;     // under way, or waiting its turn
        std::int64_t usedMs = 0;
    };
    using EntryPtr = std::shared_ptr<Entry>;

    // A failure that stands for now, with nothing good to serve in its place.
    bool FailureStands(const Entry& entry, std::int64_t nowMs) const;
    static Known KnownOf(const Entry& entry);
    bool WantsRefresh(const Entry& entry, std::int64_t nowMs) const;
    // What a send gets from the entry as it stands; marks what it tells as told. With the lock
    // held.
    Resolution Answer(Entry& entry, std::vector<platform::ResolvedAddress>& out) const;
    // The entry for the name, made (and the longest unused dropped when full) if there is none;
    // counts as a use. With the lock held.
    EntryPtr Slot(const std::string& host, std::int32_t port, std::int64_t nowMs);
    // Answer, then a background refresh where the answer grows old; releases the lock.
    Resolution AnswerAndRefresh(std::unique_lock<platform::InheritingMutex> lock,
                                const EntryPtr& entry, std::vector<platform::ResolvedAddress>& out);
    // A background lookup of the entry: a thread of its own where the bound allows, else its
    // turn after those under way. False when no thread can be had; releases the lock.
    bool LookUpInBackground(std::unique_lock<platform::InheritingMutex> lock,
                            const EntryPtr& entry);
    // Looks names up, the entry's first, then those waiting their turn.
    void RunBackgroundLookups(EntryPtr entry) noexcept;
    // Looks the entry's name up without the lock and stores the answer; clears lookingUp and
    // wakes every waiter whatever happens.
    void LookUp(Entry& entry);

    const Limits limits{};
    // The raised scheduler and the ordinary lookup threads share it: its holder inherits the
    // scheduler's priority while the scheduler waits for it.
    mutable platform::InheritingMutex mutex;
    std::condition_variable_any answered;
    std::map<std::string, EntryPtr> entries; // key: host, a zero byte, the port
    std::deque<EntryPtr> turns;              // waiting for a lookup thread
    std::size_t backgroundLookups = 0;
    void (*answeredHandler)() = nullptr;
};

// The process-wide cache the sender uses, made by the first name that needs it. Lives for the
// whole process, so that a background lookup may outlive every instance.
NameCache& SharedNameCache();

// Whether sends to the host need a name lookup: not for an empty or numeric one.
bool NeedsLookup(const std::string& host);

// The addresses for host and port: a numeric address converted on the spot, a name through the
// shared cache. Blocking: sender threads only.
Resolution ResolveHost(const std::string& host, std::int32_t port,
                       std::vector<platform::ResolvedAddress>& out);
// ResolveHost as a Resolver (sending/OscSender.h): it always answers, waiting if it must.
std::optional<Resolution> ResolveHostWaiting(const std::string& host, std::int32_t port,
                                             std::vector<platform::ResolvedAddress>& out);
// The addresses for host and port if they can be had without waiting: a numeric address
// converted on the spot, a name the shared cache answers (else its lookup is under way, and
// nothing).
std::optional<Resolution> ResolveHostNow(const std::string& host, std::int32_t port,
                                         std::vector<platform::ResolvedAddress>& out);

} // namespace osc
