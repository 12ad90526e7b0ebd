#include "tools/standin/Interruption.h"

#include <csignal>

namespace standin
{
namespace
{
volatile std::sig_atomic_t caught = 0;

extern "C" void Catch(int signal)
{
    caught = signal;
}
} // namespace

void CatchInterruptions()
{
    struct sigaction action = {};
    action.sa_handler = &Catch;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a wait in progress returns, and the next frame sees the signal.
    action.sa_flags = static_cast<int>(SA_RESETHAND);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted()
{
    return caught != 0;
}

int InterruptedExitStatus()
{
    return 128 + caught;
}

} // namespace standin
