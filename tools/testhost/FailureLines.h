// Reads the plug-in's host log as a host would to learn what did not go out: each line
// "VendrolixOSC: <message> not sent to <destination>: <reason>" stands for one message, or for
// N when it ends in " (N times)" (repeats within a second are counted, not repeated).
#pragma once

#include <string>
#include <vector>

namespace testhost
{
// The messages the lines report as not sent.
long CountNotSent(const std::vector<std::string>& lines);
} // namespace testhost
