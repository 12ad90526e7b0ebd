#include "controller/SenderThread.h"

#include "platform/ModulePin.h"

#include <atomic>
#include <thread>
#include <utility>

namespace
{
std::atomic<SenderThreadStart> installedStart{nullptr};

void StartDetachedThread(SendJob job)
{
    // The thread may outlive its instance and the host's unload of the library.
    platform::PinThisModule();
    std::thread(&RunSendJob, std::move(job)).detach();
}
} // namespace

void StartSenderThread(SendJob job)
{
    const SenderThreadStart start = installedStart.load();
    (start ? start : &StartDetachedThread)(std::move(job));
}

SenderThreadStart InstallSenderThreadStart(SenderThreadStart start)
{
    return installedStart.exchange(start);
}
