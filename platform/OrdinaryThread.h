// Starts a thread of the plug-in's own as the host's threads start: at the ordinary scheduling
// policy and priority and the system's usual timer slack, whichever thread starts it. A thread
// started by the send scheduler's would otherwise inherit its real-time policy and its 1 ns slack,
// and a name lookup would run above the host's render thread.
#pragma once

namespace platform
{
using ThreadBody = void (*)(void* context);

// Starts a detached thread that runs body(context), named `name` where the platform names threads
// (at most 15 characters). False when no thread can be started; body is then never run. Any
// thread but a frame's.
bool StartOrdinaryThread(const char* name, ThreadBody body, void* context) noexcept;

// The timer slack of an ordinary thread on Linux, in nanoseconds: the kernel's default.
inline constexpr unsigned long kOrdinaryTimerSlackNs = 50000;
} // namespace platform
