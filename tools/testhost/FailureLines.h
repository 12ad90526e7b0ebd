// Reads the plug-in's host log as a host would to learn what did not go out: each line
// "VendrolixOSC: <message> not sent to <destination>: <reason>" stands for one message, or for
// N when it ends in " (N times)" (repeats within a second are counted, not repeated); a line
// "VendrolixOSC: N more messages not sent (too many failures to list)" for N more, when more
// failed between two frames than an instance keeps reports of.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace testhost
{
// The messages the lines report as not sent, by reason.
std::map<std::string, long> NotSentByReason(const std::vector<std::string>& lines);
// All of them.
long CountNotSent(const std::vector<std::string>& lines);
} // namespace testhost
