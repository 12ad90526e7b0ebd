// The checks that make the plug-in send OSC, each announced to the receiver on the Linux side,
// which checks the datagrams' bytes and arrival times (tests/windows/catcher/). Here the host
// checks what it sees itself: answers, the host log, the Status line, the library's mapping.
#pragma once

#include "tests/windows/HostSession.h"

namespace wine_host
{
// Needs the plug-in's first load in this process: run it before anything else loads it.
void CheckUnloadAfterSend(const HostSession& session);
void CheckTestButton(const HostSession& session);
void CheckTimedSequence(const HostSession& session);
} // namespace wine_host
