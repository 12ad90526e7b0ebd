// The real send scheduler behind a VendrolixPro on the test clock, its sockets and lookups
// through a fake network: every name resolves to the loopback unless told otherwise, lookups
// can be held, and each lookup notes when it ran and how its thread was set up.
#pragma once

#include "sending/NameCache.h"
#include "sending/SendScheduler.h"
#include "tests/controller/ControllerFixture.h"
#include "tools/testhost/OscReceiver.h"

#include <sched.h>
#include <sys/prctl.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

namespace vdrxtest
{
using namespace std::chrono_literals;

enum class Fault
{
    None,
    NoName,
    NoAnswer,
    NoMemory,
    NoSocket,
    ShortSend,
};

// Every name resolves to the loopback, unless told otherwise; lookups can be held.
struct FakeNetwork
{
    static inline std::atomic<Fault> fault{Fault::None};
    static inline std::atomic<int> resolves{0};
    static inline std::mutex gateMutex;
    static inline std::condition_variable gateChanged;
    static inline bool gateOpen = true;
    static inline std::vector<std::int64_t> resolvedAtMs; // guarded by gateMutex
    // Lookups that ran on a thread at another policy than the ordinary, or another slack.
    static inline std::atomic<int> unusualLookupThreads{0};

    static void Hold(bool held)
    {
        {
            const std::lock_guard lock(gateMutex);
            gateOpen = !held;
        }
        gateChanged.notify_all();
    }

    // When each lookup ran, on the test clock.
    static std::vector<std::int64_t> ResolvedAtMs()
    {
        const std::lock_guard lock(gateMutex);
        return resolvedAtMs;
    }

    static platform::LookupStatus Resolve(const char*, const char* service,
                                          std::vector<platform::ResolvedAddress>& out)
    {
        ++resolves;
        unusualLookupThreads +=
            sched_getscheduler(0) != SCHED_OTHER || prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0) != 50000;
        {
            std::unique_lock lock(gateMutex);
            resolvedAtMs.push_back(fakeNowMs.load());
            gateChanged.wait(lock, [] { return gateOpen; });
        }
        if (fault == Fault::NoName)
            return platform::LookupStatus::NotFound;
        if (fault == Fault::NoAnswer)
            return platform::LookupStatus::NoAnswer;
        if (fault == Fault::NoMemory)
            throw std::bad_alloc();
        return platform::SystemSocketCalls().resolve("127.0.0.1", service, out);
    }

    static const platform::SocketCalls& Calls()
    {
        static const platform::SocketCalls calls{
            .startUp = platform::SystemSocketCalls().startUp,
            .resolve = &Resolve,
            .open =
                [](int family, int type, int protocol)
            {
                return fault == Fault::NoSocket
                           ? platform::kInvalidSocket
                           : platform::SystemSocketCalls().open(family, type, protocol);
            },
            .sendTo =
                [](platform::SocketHandle socket, const std::uint8_t* data, std::size_t length,
                   const platform::ResolvedAddress& to)
            {
                return fault == Fault::ShortSend
                           ? static_cast<std::int64_t>(length) - 1
                           : platform::SystemSocketCalls().sendTo(socket, data, length, to);
            },
            .close = platform::SystemSocketCalls().close,
        };
        return calls;
    }
};

class SchedulerTest : public ControllerTest
{
protected:
    void SetUp() override
    {
        ControllerTest::SetUp();
        FakeNetwork::fault = Fault::None;
        FakeNetwork::resolves = 0;
        FakeNetwork::unusualLookupThreads = 0;
        FakeNetwork::Hold(false);
        {
            const std::lock_guard lock(FakeNetwork::gateMutex);
            FakeNetwork::resolvedAtMs.clear();
        }
        platform::InstallSocketCalls(&FakeNetwork::Calls());
        VendrolixPro::InstallSendQueue(nullptr); // the real scheduler
        plugin.BeginSending();
        ApplyRegisteredDefaults();
        plugin.SetTextParameter(VendrolixPro::OscPort, std::to_string(receiver.Port()).c_str());
    }

    void TearDown() override
    {
        FakeNetwork::Hold(false);
        WaitForSenders();
        ControllerTest::TearDown();
    }

    // Until nothing waits, is sent or looked up (the scheduler counts itself busy for a moment
    // each time it looks at its queue: the answer that ended the wait is the one that counts).
    static void WaitForSenders()
    {
        const auto end = std::chrono::steady_clock::now() + 10s;
        bool quiet = false;
        while (!(quiet = SendScheduler::Shared().Idle() &&
                         osc::SharedNameCache().BackgroundLookups() == 0) &&
               std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(1ms);
        ASSERT_TRUE(quiet);
    }

    // Starts the instance's clip and renders frames until its 500 ms transition is scheduled.
    void ScheduleHalfASecondAhead(VendrolixPro& instance)
    {
        instance.SetFloatParameter(VendrolixPro::Delay, 500.0f);
        instance.SetTime(2.9);
        instance.SetTime(0.0);
        instance.ProcessOpenGL(nullptr);
        for (int frame = 1; frame <= 31; ++frame) // the last one at 496 ms
        {
            Advance(16);
            instance.ProcessOpenGL(nullptr);
        }
        ASSERT_EQ(SendScheduler::Shared().Queue().Waiting(), 1u) << "it waits for 500 ms";
    }

    testhost::OscReceiver receiver;
};

} // namespace vdrxtest
