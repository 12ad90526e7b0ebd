// How many threads this process has started: the plug-in's sender threads show here, since the
// plug-in runs inside the stand-in. Only the vendrolix-host program counts (ThreadStartHook.cpp
// catches pthread_create there); elsewhere the count stays 0.
#pragma once

#include <cstdint>

namespace standin
{

// Any thread.
std::uint64_t ThreadsStarted();
void CountThreadStart();

} // namespace standin
