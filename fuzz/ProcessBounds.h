// Threads and descriptors of the process against what the plug-in may add to the host's: the
// bounds the README and docs/reliability.md give, sampled after every call.
#pragma once

namespace hostfuzz
{
namespace ProcessBounds
{
// Threads the plug-in may have alive in the process at once, beyond the scheduler thread it
// keeps for the process (counted as the host's): 4 name lookups.
inline constexpr int kPluginThreadsAtMost = 4;
// Sockets kept one per kind of address (IPv4, IPv6) by the scheduler, and one for each
// lookup's name query.
inline constexpr int kPluginDescriptorsAtMost = 2 + kPluginThreadsAtMost;

// What the host has once the plug-in is loaded and has sent a message, with nothing under way:
// threads the plug-in keeps for the life of the process count as the host's. Host thread, once.
void TakeBaseline();
// Fails the input when the plug-in has more threads or descriptors than its bounds.
void Check();
// Waits a while for the plug-in's threads to end (at the end of an input, once every instance
// is gone, every lookup answered and every moment passed), so that the next input starts as
// this one did.
void AwaitQuiet();
} // namespace ProcessBounds
} // namespace hostfuzz
