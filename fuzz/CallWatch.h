// The host's side of each call: which thread makes the calls, whether one is under way, and a
// watchdog that stops the fuzzer when a call holds the host's thread too long (a name lookup or
// a wait for another thread on the render thread shows up so). The host's log callback checks
// that it is called on that thread, during a call.
#pragma once

#include <cstdint>

namespace hostfuzz
{
namespace CallWatch
{
// Far longer than any call takes on a loaded machine under the sanitizers (a shader compile is
// the slowest, well under a second), far shorter than a name server's timeout.
inline constexpr std::int64_t kStallBoundMs = 5000;

// Makes the calling thread the host's and starts the watchdog. Once.
void Start();
bool OnHostThread();

// One call into the plug-in while it lives, on the host's thread; `what` names it in reports.
class Call
{
public:
    explicit Call(const char* what);
    ~Call();
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;
};

// The host's log callback.
void OnLog(const char* text);
} // namespace CallWatch
} // namespace hostfuzz
