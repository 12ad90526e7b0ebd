// The stand-in without a plug-in: a listener that prints every OSC message reaching a port,
// decoded, with the clock time and the seconds since it began, until interrupted. For checking
// what a host or the plug-in sends.
#pragma once

#include "tools/standin/Console.h"
#include "tools/standin/ListenAddress.h"

namespace standin
{

// Answers the exit status. Throws std::runtime_error when the port cannot be listened on.
int ListenOnly(const ListenAddress& address, Console& console);

} // namespace standin
