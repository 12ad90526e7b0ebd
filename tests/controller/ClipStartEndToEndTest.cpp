// Clip starts as a host produces them, through the loaded library: a test copy of the plug-in
// whose steady clock and name lookups the test sets, a real EGL context, and the datagrams
// caught on 127.0.0.1.
#include "tools/testhost/FailureLines.h"
#include "tools/testhost/GlContext.h"
#include "tools/testhost/OscReceiver.h"
#include "tools/testhost/ParameterIndex.h"
#include "tools/testhost/PluginLibrary.h"

#include <gtest/gtest.h>

#include <netdb.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
using namespace std::chrono_literals;
using namespace testhost;

std::atomic<std::int64_t> nowMs{5000000};

std::int64_t FakeClock() // microseconds
{
    return nowMs.load() * 1000;
}

std::atomic<int> lookupResult{0}; // what getaddrinfo answers for a name; 0 finds the loopback
int AnswerLookup()
{
    return lookupResult.load();
}

std::vector<std::string> hostLog; // the plug-in logs from the host's calls only
void CollectLog(const char* text)
{
    hostLog.emplace_back(text);
}

class ClipStartEndToEnd : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        std::string error;
        context = CreateEglContext(error).release();
        ASSERT_NE(context, nullptr) << error;
        plugin = new PluginLibrary(VDRX_SEAMED_PLUGIN_PATH);
        void* setClock = plugin->Symbol("vdrxTestSetClock");
        ASSERT_NE(setClock, nullptr);
        void (*install)(std::int64_t(*)()) = nullptr;
        std::memcpy(&install, &setClock, sizeof install);
        install(&FakeClock);
        void* answerLookups = plugin->Symbol("vdrxTestAnswerLookups");
        ASSERT_NE(answerLookups, nullptr);
        void (*answer)(int (*)()) = nullptr;
        std::memcpy(&answer, &answerLookups, sizeof answer);
        answer(&AnswerLookup);
    }

    void SetUp() override
    {
        ASSERT_NE(context, nullptr);
        instance = plugin->InstantiateGL(ViewportIn{0, 0, 16, 16});
        ASSERT_NE(instance, nullptr);
        const std::string port = std::to_string(receiver.Port());
        ASSERT_EQ(plugin->SetParameter(instance, OscPortIndex, port.c_str()), kOk);
    }

    void TearDown() override
    {
        if (instance)
            plugin->DeinstantiateGL(instance);
    }

    // One host frame at `hostTime`, then the clock moves on by `stepMs`.
    void Frame(double hostTime, std::int64_t stepMs = 0)
    {
        ASSERT_EQ(plugin->SetTime(instance, hostTime), kOk);
        ASSERT_EQ(plugin->ProcessOpenGL(instance, FrameIn{0, 0, nullptr}), kOk);
        nowMs += stepMs;
    }

    std::string Status() const { return plugin->GetParameterDisplay(instance, StatusIndex); }

    // Every datagram that arrives until none has come for a while.
    std::size_t Datagrams(const std::string& address)
    {
        std::size_t count = 0;
        while (const auto message = receiver.Receive(300ms))
        {
            EXPECT_EQ(message->address, address);
            ++count;
        }
        return count;
    }

    static inline GlContext* context = nullptr;
    static inline PluginLibrary* plugin = nullptr;
    OscReceiver receiver;
    void* instance = nullptr;
};

TEST_F(ClipStartEndToEnd, OneClipStartAt60FpsSendsADelayZeroMessageOnce)
{
    plugin->SetParameter(instance, LayerTransIndex, 0.0f);
    plugin->SetParameter(instance, NextClipIndex, 1.0f);
    Frame(2.95, 17); // the end of the clip before
    for (int frame = 0; frame < 60; ++frame)
        Frame(frame / 60.0, frame % 3 == 2 ? 16 : 17);
    EXPECT_EQ(Datagrams("/composition/selectedlayer/connectnextclip"), 1u);
}

TEST_F(ClipStartEndToEnd, ClipHeldAtZeroStartsOnceAndCountsDelaysFromThatStart)
{
    // A new instance's "Delay" is 0 ms: its transition message is due at once.
    for (int frame = 0; frame < 300; ++frame)
        Frame(0.0, 10);
    EXPECT_EQ(Datagrams("/composition/selectedlayer/transition/duration"), 1u);

    plugin->DeinstantiateGL(instance);
    instance = plugin->InstantiateGL(ViewportIn{0, 0, 16, 16});
    ASSERT_NE(instance, nullptr);
    plugin->SetParameter(instance, OscPortIndex, std::to_string(receiver.Port()).c_str());
    plugin->SetParameter(instance, DelayIndex, 200.0f);
    Frame(0.0, 10); // the clip's first frame: it only primes
    Frame(0.0);     // the start, counted from that first frame
    for (int frame = 2; frame < 20; ++frame)
    {
        nowMs += 10;
        Frame(0.0);
    }
    EXPECT_EQ(Status(), "T0.1s|Nno|Mno") << "190 ms after the clip's first frame";
    nowMs += 10;
    Frame(0.0);
    EXPECT_EQ(Status(), "Tok|Nno|Mno") << "200 ms after it";
    for (int frame = 0; frame < 280; ++frame)
        Frame(0.0, 10);
    EXPECT_EQ(Datagrams("/composition/selectedlayer/transition/duration"), 1u);
}

TEST_F(ClipStartEndToEnd, StartFirstSeenAt17MsIsAnchoredAtTheClipsFirstFrame)
{
    plugin->SetParameter(instance, DelayIndex, 100.0f);
    Frame(2.9, 16);
    const std::int64_t seenAt = nowMs;
    Frame(0.017);
    EXPECT_EQ(Status(), "T0.1s|Nno|Mno");
    nowMs = seenAt - 17 + 99;
    Frame(0.017 + 0.082);
    EXPECT_EQ(Status(), "T0.1s|Nno|Mno") << "99 ms after the clip's first frame";
    nowMs += 1;
    Frame(0.017 + 0.083);
    EXPECT_EQ(Status(), "Tok|Nno|Mno") << "100 ms after it";
    EXPECT_EQ(Datagrams("/composition/selectedlayer/transition/duration"), 1u);
}

TEST_F(ClipStartEndToEnd, NamedHostKeepsItsLastGoodAddressWhenTheNameServerStopsAnswering)
{
    hostLog.clear();
    plugin->SetLogCallback(&CollectLog);
    plugin->SetParameter(instance, LayerTransIndex, 0.0f);
    plugin->SetParameter(instance, NextClipIndex, 1.0f); // a new instance's delay is 0 ms
    lookupResult = 0;
    plugin->SetParameter(instance, OscHostIndex, "studio-pc");
    Frame(2.9, 250); // the end of the clip before
    const std::int64_t showMs = nowMs;
    for (const int startSeconds : {0, 31, 32, 35})
    {
        while (nowMs < showMs + startSeconds * 1000)
            Frame(1.0 + static_cast<double>(nowMs - showMs) / 1000.0, 250); // the clip plays
        // At 31 s the answer kept is old enough to be looked up again: that lookup fails.
        lookupResult = startSeconds < 31 ? 0 : EAI_AGAIN;
        Frame(0.0, 17);
        EXPECT_EQ(Datagrams("/composition/selectedlayer/connectnextclip"), 1u)
            << "clip start at " << startSeconds << " s";
        Frame(0.017, 17); // takes in what the sender reported
        EXPECT_EQ(Status(), "Tno|Nok|Mno") << "clip start at " << startSeconds << " s";
    }
    plugin->SetLogCallback(nullptr);
    const std::string told = "VendrolixOSC: next clip goes to the last good address of studio-pc:" +
                             std::to_string(receiver.Port()) + ": the name server did not answer";
    EXPECT_EQ(std::count(hostLog.begin(), hostLog.end(), told), 1) << "told once";
    EXPECT_EQ(testhost::CountNotSent(hostLog), 0);
}

} // namespace
