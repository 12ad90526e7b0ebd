// A VendrolixPro driven directly, with the clock replaced and its messages scheduled into a queue
// of the test's own, so that timing rules run deterministically and what goes out can be
// inspected: the test takes what is due on its clock, as the scheduler would send it.
#pragma once

#include "sending/SendQueue.h"
#include "controller/VendrolixPro.h"
#include "sending/NameCache.h"
#include "ffgl/HostLog.h"
#include "platform/SteadyClock.h"
#include "platform/UdpSocketApi.h"
#include "tools/testhost/OscReceiver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vdrxtest
{

inline std::atomic<std::int64_t> fakeNowMs{1000000};

// The messages one call of the plug-in scheduled, decoded with liblo, and their deadlines.
struct RecordedJob
{
    std::string host;
    std::int32_t port = 0;
    std::array<std::optional<testhost::ReceivedOsc>, kMessageKinds> messages;
    std::array<std::int64_t, kMessageKinds> deadlineUs{};
    std::int64_t startedMs = 0; // on the test clock

    bool Sends(MessageKind kind) const { return Message(kind).has_value(); }
    // When the message leaves: when scheduled, or at its deadline if that is later.
    std::int64_t LeavesAtUs(MessageKind kind) const
    {
        return std::max(startedMs * 1000, deadlineUs[kind]);
    }
    const std::optional<testhost::ReceivedOsc>& Message(MessageKind kind) const
    {
        return messages[kind];
    }
};

inline std::mutex jobsMutex;
inline std::vector<RecordedJob> startedJobs;
inline std::vector<std::string> logLines;
inline SendQueue testQueue;

inline std::int64_t FakeClock()
{
    return fakeNowMs.load() * 1000;
}

// What is due on the test clock, taken out of the queue as the scheduler would send it: one job.
inline void TakeScheduled()
{
    RecordedJob job;
    job.startedMs = fakeNowMs.load();
    ScheduledMessage message;
    bool any = false;
    while (testQueue.TakeDue(FakeClock(), message))
    {
        any = true;
        job.host = std::string(message.Host());
        job.port = message.port;
        job.deadlineUs[message.kind] = message.deadlineUs;
        testhost::ReceivedOsc decoded;
        decoded.bytes.assign(message.payload.begin(),
                             message.payload.begin() +
                                 static_cast<std::ptrdiff_t>(message.payloadLength));
        testhost::DecodeWithLiblo(decoded);
        job.messages[message.kind] = decoded;
    }
    if (!any)
        return;
    const std::lock_guard lock(jobsMutex);
    startedJobs.push_back(job);
}

inline void CollectLog(const char* text)
{
    const std::lock_guard lock(jobsMutex);
    logLines.emplace_back(text);
}

// The system's socket calls, but names never resolve: a test that sets "OSC Host" to a name
// asks nothing of the network.
inline const platform::SocketCalls& OfflineCalls()
{
    static const platform::SocketCalls calls = []
    {
        platform::SocketCalls offline = platform::SystemSocketCalls();
        offline.resolve =
            [](const char* host, const char* service, std::vector<platform::ResolvedAddress>& out)
        {
            if (!platform::IsNumericHost(host))
                return platform::LookupStatus::NotFound;
            return platform::SystemSocketCalls().resolve(host, service, out);
        };
        return offline;
    }();
    return calls;
}

class ControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fakeNowMs = 1000000;
        startedJobs.clear();
        logLines.clear();
        platform::InstallClockSource(&FakeClock);
        platform::InstallSocketCalls(&OfflineCalls());
        osc::SharedNameCache().Forget();
        VendrolixPro::InstallSendQueue(&testQueue);
        ffgl::SetHostLogCallback(&CollectLog);
        plugin.SetOwner(&plugin);
    }

    void TearDown() override
    {
        ScheduledMessage rest;
        while (testQueue.TakeDue(std::numeric_limits<std::int64_t>::max(), rest))
        {
        }
        VendrolixPro::InstallSendQueue(nullptr);
        platform::InstallClockSource(nullptr);
        platform::InstallSocketCalls(nullptr);
        ffgl::SetHostLogCallback(nullptr);
    }

    // The settings a GL instance gets from the registered defaults, as the host applies them.
    void ApplyRegisteredDefaults()
    {
        for (std::uint32_t i = 0; i < plugin.GetNumParams(); ++i)
        {
            const ffgl::FFMixed value = plugin.GetParamDefault(i);
            if (ffgl::IsTextType(plugin.GetParamType(i)))
                plugin.SetTextParameter(i, static_cast<const char*>(value.pointerValue));
            else
                plugin.SetFloatParameter(i, value.floatValue);
        }
    }

    void Frame()
    {
        const ffgl::FrameDataRecord noInputs{0, nullptr};
        ASSERT_EQ(plugin.ProcessOpenGL(&noInputs), ffgl::kSuccess);
        TakeScheduled();
    }

    void PressTest()
    {
        plugin.SetFloatParameter(VendrolixPro::Test, 1.0f);
        TakeScheduled();
    }

    static void Advance(std::int64_t ms) { fakeNowMs += ms; }

    // Frames every 16 ms (no gap start) until `ms` have passed; the last frame lands on it.
    void FramesFor(std::int64_t ms)
    {
        const std::int64_t end = fakeNowMs.load() + ms;
        while (fakeNowMs.load() + 16 < end)
        {
            Advance(16);
            Frame();
        }
        fakeNowMs = end;
        Frame();
    }

    std::string Status() { return plugin.GetParameterDisplay(VendrolixPro::Status); }

    std::size_t JobCount()
    {
        const std::lock_guard lock(jobsMutex);
        return startedJobs.size();
    }

    RecordedJob LastJob()
    {
        const std::lock_guard lock(jobsMutex);
        return startedJobs.back();
    }

    VendrolixPro plugin;
};

} // namespace vdrxtest
