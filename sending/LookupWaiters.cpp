#include "sending/LookupWaiters.h"

#include <utility>

bool LookupWaiters::Hold(ScheduledMessage& message) noexcept
{
    const std::size_t count = held.load();
    if (count == kCapacity)
        return false;
    messages[count] = std::move(message);
    held.store(count + 1);
    return true;
}
