#include "sending/BackgroundThread.h"

#include "platform/ModulePin.h"
#include "platform/OrdinaryThread.h"

#include <atomic>
#include <memory>
#include <utility>

namespace
{
using Body = std::function<void()>;

std::atomic<BackgroundThreadStart> installedStart{nullptr};

void RunOwned(void* context)
{
    const std::unique_ptr<Body> body(static_cast<Body*>(context));
    (*body)();
}

bool StartDetached(const char* name, Body body)
{
    try
    {
        auto owned = std::make_unique<Body>(std::move(body));
        platform::PinThisModule();
        if (!platform::StartOrdinaryThread(name, &RunOwned, owned.get()))
            return false;
        owned.release(); // the thread's now
        return true;
    }
    catch (...)
    {
        return false;
    }
}
} // namespace

bool StartBackgroundThread(const char* name, std::function<void()> body)
{
    const BackgroundThreadStart start = installedStart.load();
    return (start ? start : &StartDetached)(name, std::move(body));
}

BackgroundThreadStart InstallBackgroundThreadStart(BackgroundThreadStart start)
{
    return installedStart.exchange(start);
}
