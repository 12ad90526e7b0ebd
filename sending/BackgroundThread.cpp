#include "sending/BackgroundThread.h"

#include "platform/ModulePin.h"

#include <atomic>
#include <thread>
#include <utility>

namespace
{
std::atomic<BackgroundThreadStart> installedStart{nullptr};

bool StartDetached(std::function<void()> body)
{
    try
    {
        platform::PinThisModule();
        std::thread(std::move(body)).detach();
        return true;
    }
    catch (...)
    {
        return false;
    }
}
} // namespace

bool StartBackgroundThread(std::function<void()> body)
{
    const BackgroundThreadStart start = installedStart.load();
    return (start ? start : &StartDetached)(std::move(body));
}

BackgroundThreadStart InstallBackgroundThreadStart(BackgroundThreadStart start)
{
    return installedStart.exchange(start);
}
