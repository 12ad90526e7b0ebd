// What each check of the Windows test host must make the plug-in send, byte for byte, and how
// soon after the check's announcement each datagram may arrive at the earliest.
#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>
#include <vector>

namespace wine_catcher
{
struct ExpectedDatagram
{
    std::string_view check; // one of kSendingChecks
    std::string_view what;  // for the report
    std::vector<std::uint8_t> bytes;
    std::chrono::milliseconds earliest;
};

// Within a check, in the order its datagrams must arrive. No two entries share their bytes, so
// a datagram tells which check caused it.
const std::vector<ExpectedDatagram>& ExpectedDatagrams();
} // namespace wine_catcher
