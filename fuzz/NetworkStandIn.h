// The network as the fuzzer's host offers it to the seamed plug-in: nothing leaves the process.
// A name's lookup answers by what the name contains: "never" waits until the input ends and
// then finds no name server, "again" finds no name server, "nope" no such name, "fail" a
// failure of its own; every other name finds the loopback address. Datagrams are taken in
// place of the network and counted as sent whole.
#pragma once

#include <cstddef>
#include <cstdint>

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
} // namespace NetworkStandIn
} // namespace hostfuzz
