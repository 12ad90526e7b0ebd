// The network as the fuzzer's host offers it to the seamed plug-in: nothing leaves the process.
// A name's lookup answers by what the name contains: "never" waits until the input ends and
// then finds no name server, "again" finds no name server, "nope" no such name, "fail" a
// failure of its own; "drift" finds 127.0.0.1 at first, and then, lookup by lookup, another
// address, no name server, and no answer until the input ends (a name server gone slow); every
// other name finds 127.0.0.1. Datagrams are taken in place of the network and counted as sent
// whole.
//
// It also checks that a name once found never holds a message up: a message of an instance made
// after its name had resolved (and the plug-in had surely kept the answer: its next lookup had
// begun) may not go late for a lookup.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace hostfuzz
{
namespace NetworkStandIn
{
// Installs both through the plug-in's export `vdrxTestAnswerLookups`, given as `install`.
void Install(void* install);
// From the start of an input, "never" waits; at its end, every such lookup ends, and until
// the next input starts, one that comes late ends at once. Host thread.
void HoldLookups();
void ReleaseHeldLookups();
// The host made an instance; calls the plug-in for one (null for none); set an instance's
// "OSC Host". Host thread.
void InstanceMade(void* instance);
void CallFor(void* instance);
void HostSet(const std::string& host);
// A line of the host log, during a call: "sent late to" a name that had resolved before the
// instance of the call was made fails the input. Host thread.
void CheckLogLine(const char* line);
} // namespace NetworkStandIn
} // namespace hostfuzz
