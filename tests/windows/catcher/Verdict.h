// The receiver's judgement of one run of the Windows test host: for each check expected to
// run, whether it was announced once and caused exactly its expected datagrams, in order and
// not earlier than allowed; and whether anything else arrived.
#pragma once

#include "tools/testhost/OscReceiver.h"

#include <string>
#include <string_view>
#include <vector>

namespace wine_catcher
{
struct CheckResult
{
    std::string name;
    std::vector<std::string> problems; // none when the check passed
    std::vector<std::string> details;  // what was seen, for the report
};

// `received` in arrival order; `checks` are names from kSendingChecks. Answers one result per
// expected check, then one per announcement of a check not expected, then one for any
// datagram that no check claims.
std::vector<CheckResult> Judge(const std::vector<testhost::ReceivedOsc>& received,
                               const std::vector<std::string_view>& checks);
} // namespace wine_catcher
