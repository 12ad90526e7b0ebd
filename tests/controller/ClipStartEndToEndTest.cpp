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
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace
{
using namespace std::chrono_literals;
using namespace testhost;

std::atomic<std::int64_t> nowMs{5000000};

const std::string kTransition = "/composition/selectedlayer/transition/duration";
const std::string kNextClip = "/composition/selectedlayer/connectnextclip";
const std::string kMessage = "/cue";

// Host times of clips of 1 s played every way, at the test clock's milliseconds since `origin`.
double Reverse(std::int64_t ms, std::int64_t origin)
{
    return 1.0 - static_cast<double>((ms - origin) % 1000) / 1000.0;
}

double PingPong(std::int64_t ms, std::int64_t origin)
{
    const std::int64_t phase = (ms - origin) % 2000;
    return static_cast<double>(phase <= 1000 ? phase : 2000 - phase) / 1000.0;
}

double Forward(std::int64_t ms, std::int64_t origin, std::int64_t lengthMs = 1000)
{
    return static_cast<double>((ms - origin) % lengthMs) / 1000.0;
}

std::int64_t FakeClock() // microseconds
{
    return nowMs.load() * 1000;
}

std::atomic<int> lookupResult{0}; // what getaddrinfo answers for a name; 0 finds the loopback
std::atomic<int> lookupsAnswered{0};
int AnswerLookup(const char*)
{
    ++lookupsAnswered;
    return lookupResult.load();
}

// A name set now is looked up in the background; a show starts once it has been, as a performer
// sets OSC Host before the show (a message whose name is still being looked up goes late).
void WaitForTheLookupOfANameJustSet()
{
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (lookupsAnswered.load() == 0 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(100ms); // the answer is kept just after it is given
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
        void (*answer)(int (*)(const char*), std::int64_t (*)(const std::uint8_t*, std::size_t)) =
            nullptr;
        std::memcpy(&answer, &answerLookups, sizeof answer);
        answer(&AnswerLookup, nullptr);
        void* clockMoved = plugin->Symbol("vdrxTestClockMoved");
        ASSERT_NE(clockMoved, nullptr);
        std::memcpy(&moved, &clockMoved, sizeof moved);
    }

    // The test clock moves to `ms`; the plug-in's scheduler hears of it.
    static void MoveClockTo(std::int64_t ms)
    {
        nowMs = ms;
        moved();
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
        MoveClockTo(nowMs + stepMs);
        // A host's frames are milliseconds apart: the scheduler sends what is due meanwhile.
        std::this_thread::sleep_for(300us);
    }

    // The datagram that arrives while the test clock stands at `ms`, if one does.
    std::optional<ReceivedOsc> ArrivalAt(std::int64_t ms)
    {
        MoveClockTo(ms);
        return receiver.Receive(100ms);
    }

    // Frames about 60 a second until `untilMs` on the test clock, the last one exactly then,
    // each with the host time `time` gives for its moment.
    template <typename Time> void PlayUntil(std::int64_t untilMs, Time time)
    {
        for (int frame = 0; nowMs < untilMs; ++frame)
            Frame(time(nowMs.load()),
                  std::min<std::int64_t>(frame % 3 == 2 ? 16 : 17, untilMs - nowMs));
        Frame(time(nowMs.load()));
    }

    void PressTest()
    {
        plugin->SetParameter(instance, TestIndex, 1.0f);
        plugin->SetParameter(instance, TestIndex, 0.0f);
    }

    void SetMessages(float transitionDelay, float nextClipDelay, float messageDelay)
    {
        plugin->SetParameter(instance, DelayIndex, transitionDelay);
        plugin->SetParameter(instance, NextClipIndex, 1.0f);
        plugin->SetParameter(instance, DelayNextClipIndex, nextClipDelay);
        plugin->SetParameter(instance, OscMsgIndex, (kMessage + " i 1").c_str());
        plugin->SetParameter(instance, MessageDelayIndex, messageDelay);
    }

    std::string Status() const { return plugin->GetParameterDisplay(instance, StatusIndex); }

    // Every datagram that arrives until none has come for a while, counted by address.
    std::map<std::string, int> Arrived()
    {
        std::map<std::string, int> counts;
        while (const auto message = receiver.Receive(300ms))
            ++counts[message->address];
        return counts;
    }

    std::size_t Datagrams(const std::string& address)
    {
        const std::map<std::string, int> arrived = Arrived();
        EXPECT_LE(arrived.size(), 1u) << "only " << address << " was expected";
        return arrived.contains(address) ? static_cast<std::size_t>(arrived.at(address)) : 0u;
    }

    static inline void (*moved)() = nullptr;
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
    const std::int64_t first = nowMs;
    Frame(0.0, 10); // the clip's first frame: it only primes
    Frame(0.0);     // the start, counted from that first frame
    for (int frame = 2; frame < 20; ++frame)
    {
        MoveClockTo(nowMs + 10);
        Frame(0.0);
    }
    EXPECT_FALSE(ArrivalAt(first + 199)) << "199 ms after the clip's first frame";
    EXPECT_TRUE(ArrivalAt(first + 200)) << "200 ms after it";
    for (int frame = 0; frame < 280; ++frame)
        Frame(0.0, 10);
    EXPECT_EQ(Datagrams(kTransition), 0u) << "once";
}

// Whether the clip's in point lies at 0 or at 17 ms cannot be told from one time: counted from
// the later, the frame that showed it, so that nothing goes early.
TEST_F(ClipStartEndToEnd, StartFirstSeenAt17MsCountsFromThatFrame)
{
    plugin->SetParameter(instance, DelayIndex, 100.0f);
    Frame(2.9, 17);
    const std::int64_t seenAt = nowMs;
    Frame(0.017);
    EXPECT_EQ(Status(), "T0.1s|Nno|Mno");
    MoveClockTo(seenAt + 90);
    Frame(0.017 + 0.090); // hands the message over: it is due within the next frame
    EXPECT_FALSE(ArrivalAt(seenAt + 99)) << "99 ms after the frame that showed the start";
    EXPECT_TRUE(ArrivalAt(seenAt + 100)) << "100 ms after it";
    EXPECT_EQ(Datagrams(kTransition), 0u);
}

TEST_F(ClipStartEndToEnd, BackwardsAndPingPongClipsStartOncePerPass)
{
    plugin->SetParameter(instance, LayerTransIndex, 0.0f);
    plugin->SetParameter(instance, NextClipIndex, 1.0f); // delay 0
    Frame(0.004, 16);                                    // the end of the backwards pass before
    const std::int64_t reverse = nowMs;
    PlayUntil(reverse + 2990, [&](std::int64_t ms) { return Reverse(ms, reverse); });
    EXPECT_EQ(Datagrams(kNextClip), 3u) << "three backwards passes";

    const std::int64_t pingPong = nowMs;
    // Three cycles, and the turn at the bottom that begins the fourth.
    PlayUntil(pingPong + 6040, [&](std::int64_t ms) { return PingPong(ms, pingPong); });
    EXPECT_EQ(Datagrams(kNextClip), 4u) << "the first start, then one per turn at the bottom";
}

TEST_F(ClipStartEndToEnd, DelaysCountFromTheWrapAndFromTheBottomTurn)
{
    plugin->SetParameter(instance, DelayIndex, 500.0f);
    Frame(0.004, 16);
    const std::int64_t reverse = nowMs;
    auto backwards = [&](std::int64_t ms) { return Reverse(ms, reverse); };
    PlayUntil(reverse + 1000, backwards); // the second pass wraps on this frame
    EXPECT_EQ(Datagrams(kTransition), 1u) << "the first pass's";
    PlayUntil(reverse + 1499, backwards);
    EXPECT_FALSE(ArrivalAt(reverse + 1499)) << "499 ms after the wrap";
    EXPECT_TRUE(ArrivalAt(reverse + 1500)) << "500 ms after it";

    const std::int64_t pingPong = nowMs + 16 - 2000; // the bottom of the next turn comes next
    auto bouncing = [&](std::int64_t ms) { return PingPong(ms, pingPong); };
    PlayUntil(pingPong + 2000, bouncing); // the lowest time, 0.0
    EXPECT_EQ(Datagrams(kTransition), 0u);
    PlayUntil(pingPong + 2499, bouncing);
    EXPECT_FALSE(ArrivalAt(pingPong + 2499)) << "499 ms after the bottom";
    // The turn is dated where the lines before and after it meet, within a millisecond.
    EXPECT_TRUE(ArrivalAt(pingPong + 2501)) << "500 ms after it";
}

TEST_F(ClipStartEndToEnd, ForwardReTriggerStartsAgainButJitterDoesNot)
{
    plugin->SetParameter(instance, LayerTransIndex, 0.0f);
    plugin->SetParameter(instance, NextClipIndex, 1.0f);
    Frame(2.95, 17);
    Frame(0.0, 17);
    Frame(0.017, 17);
    Frame(0.033, 17);
    Frame(0.0, 17); // triggered again
    Frame(0.017, 17);
    EXPECT_EQ(Datagrams(kNextClip), 2u);

    for (int pass = 0; pass < 4; ++pass)
    {
        Frame(0.001, 17);
        Frame(0.0005, 16); // an audio clock's step back
        const std::int64_t origin = nowMs - 17;
        PlayUntil(origin + 990, [&](std::int64_t ms) { return Forward(ms, origin); });
    }
    EXPECT_EQ(Datagrams(kNextClip), 4u) << "one per pass";
}

TEST_F(ClipStartEndToEnd, StallWithTheTimeRunningOnKeepsThePass)
{
    plugin->SetParameter(instance, LayerTransIndex, 0.0f);
    plugin->SetParameter(instance, NextClipIndex, 1.0f);
    plugin->SetParameter(instance, DelayNextClipIndex, 4000.0f);
    for (const std::int64_t stallAt : {1500, 5000})
    {
        SCOPED_TRACE(stallAt);
        Frame(9.99, 16);
        const std::int64_t origin = nowMs;
        auto clip = [&](std::int64_t ms) { return Forward(ms, origin, 10000); };
        PlayUntil(origin + stallAt, clip);
        MoveClockTo(nowMs + 600); // no frame while the host loads something heavy; its clip runs on
        if (stallAt < 4000)
        {
            PlayUntil(origin + 3999, clip);
            EXPECT_FALSE(ArrivalAt(origin + 3999));
            EXPECT_TRUE(ArrivalAt(origin + 4000));
        }
        PlayUntil(origin + 9980, clip);
        EXPECT_EQ(Datagrams(kNextClip), stallAt < 4000 ? 0u : 1u) << "once";
    }
}

TEST_F(ClipStartEndToEnd, GapWithTheTimeHeldStillStartsASequence)
{
    plugin->SetParameter(instance, LayerTransIndex, 0.0f);
    plugin->SetParameter(instance, NextClipIndex, 1.0f);
    Frame(2.99, 16);
    const std::int64_t origin = nowMs;
    PlayUntil(origin + 1000, [&](std::int64_t ms) { return Forward(ms, origin, 3000); });
    MoveClockTo(nowMs + 600); // the clip was stopped, and plays on from where it stood
    PlayUntil(origin + 2000, [&](std::int64_t ms) { return Forward(ms - 600, origin, 3000); });
    EXPECT_EQ(Datagrams(kNextClip), 2u);
}

TEST_F(ClipStartEndToEnd, TestOnAClipAtItsStartSendsEachMessageOncePerPress)
{
    const std::map<std::string, int> once{{kTransition, 1}, {kNextClip, 1}, {kMessage, 1}};
    for (const double heldAt : {0.0, 0.02})
    {
        for (const float delay : {500.0f, 0.0f})
        {
            SCOPED_TRACE(testing::Message() << "held at " << heldAt << ", delays " << delay);
            SetMessages(delay, 2 * delay, 3 * delay);
            Frame(2.99, 16);
            const std::int64_t origin = nowMs;
            auto held = [heldAt](std::int64_t) { return heldAt; };
            PlayUntil(origin + 2000, held);
            EXPECT_EQ(Arrived(), once) << "the countdown from the clip's start";
            PressTest();
            PlayUntil(origin + 4000, held);
            EXPECT_EQ(Arrived(), once) << "the press";
        }
    }

    SetMessages(0.0f, 0.0f, 0.0f);
    Frame(2.99, 16);
    const std::int64_t origin = nowMs;
    auto clip = [&](std::int64_t ms) { return Forward(ms, origin, 3000); };
    PlayUntil(origin + 17, clip);
    PressTest();
    PlayUntil(origin + 1000, clip);
    EXPECT_EQ(Arrived(),
              (std::map<std::string, int>{{kTransition, 2}, {kNextClip, 2}, {kMessage, 2}}))
        << "the start's and the press's";
}

TEST_F(ClipStartEndToEnd, TimesThatAreNoTimesAreIgnored)
{
    SetMessages(500.0f, 2500.0f, 1500.0f);
    Frame(2.99, 16);
    const std::int64_t origin = nowMs;
    auto clip = [&](std::int64_t ms) { return Forward(ms, origin, 3000); };
    PlayUntil(origin + 1000, clip);
    Frame(std::numeric_limits<double>::quiet_NaN(), 16);
    PlayUntil(origin + 2200, clip);
    Frame(-0.001, 16);
    PlayUntil(origin + 2990, clip);
    Frame(-0.0005, 16); // the next pass begins with a pre-roll
    const std::int64_t next = nowMs - 16;
    PlayUntil(next + 2460, [&](std::int64_t ms) { return Forward(ms, next, 3000); });
    EXPECT_EQ(Status(), "Tok|N0.1s|Mok");
    const std::map<std::string, int> twice{{kTransition, 2}, {kNextClip, 1}, {kMessage, 2}};
    EXPECT_EQ(Arrived(), twice) << "the first pass's three, and two of the second's";
}

TEST_F(ClipStartEndToEnd, NamedHostKeepsItsLastGoodAddressWhenTheNameServerStopsAnswering)
{
    hostLog.clear();
    plugin->SetLogCallback(&CollectLog);
    plugin->SetParameter(instance, LayerTransIndex, 0.0f);
    plugin->SetParameter(instance, NextClipIndex, 1.0f); // a new instance's delay is 0 ms
    lookupResult = 0;
    lookupsAnswered = 0;
    plugin->SetParameter(instance, OscHostIndex, "studio-pc");
    WaitForTheLookupOfANameJustSet();
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
