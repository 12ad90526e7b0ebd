#include "sending/NameNeeds.h"

#include <algorithm>
#include <mutex>

void NameNeeds::Set(const void* owner, std::string_view host, std::int32_t port,
                    const Moments& momentsUs)
{
    const std::lock_guard lock(mutex);
    const auto end = needs.begin() + static_cast<std::ptrdiff_t>(count);
    auto place =
        std::find_if(needs.begin(), end, [owner](const Need& need) { return need.owner == owner; });
    if (place == end)
    {
        if (count == kCapacity)
            return;
        ++count;
    }
    place->owner = owner;
    place->hostLength = host.size() <= place->host.size() ? host.size() : 0;
    std::copy_n(host.begin(), place->hostLength, place->host.begin());
    place->port = port;
    place->momentsUs = momentsUs;
    ++version;
}

void NameNeeds::Clear(const void* owner)
{
    const std::lock_guard lock(mutex);
    const auto end = needs.begin() + static_cast<std::ptrdiff_t>(count);
    const auto place =
        std::find_if(needs.begin(), end, [owner](const Need& need) { return need.owner == owner; });
    if (place == end)
        return;
    *place = needs[--count]; // the last takes its place
    ++version;
}

std::optional<std::size_t> NameNeeds::CopyIfChanged(std::uint64_t& seen, Needs& out) const
{
    const std::lock_guard lock(mutex);
    if (version == seen)
        return std::nullopt;
    seen = version;
    std::copy_n(needs.begin(), count, out.begin());
    return count;
}
