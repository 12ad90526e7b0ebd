// The send path through a whole show, on the test clock with the real scheduler: cues long
// after their name's lookup, several layers' cues to one name, the threads it leaves running, and
// an object that never had GL (the prototype that answers a host's scan).
#include "sending/BackgroundThread.h"
#include "tests/controller/SchedulerFixture.h"

#include <sched.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{
using namespace std::chrono_literals;
using P = VendrolixPro;
using vdrxtest::FakeNetwork;
using vdrxtest::Fault;

class WholeShow : public vdrxtest::SchedulerTest
{
protected:
    // Waits (in real time) until `done` holds, a while at most.
    static bool Eventually(const std::function<bool()>& done)
    {
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (!done() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(1ms);
        return done();
    }

    // The test clock moves to `ms` after the clip's start; the scheduler hears of it, and a frame
    // shows the clip time that has run on meanwhile.
    void FrameAt(std::int64_t ms)
    {
        vdrxtest::fakeNowMs = startMs + ms;
        plugin.SetTime(static_cast<double>(ms) / 1000.0);
        Frame();
        platform::NotifyClockMoved();
    }

    // Frames up to the cue at `cueMs`, the scheduler woken just before it as well, and the
    // datagram that then arrives.
    std::optional<testhost::ReceivedOsc> PlayThrough(std::int64_t cueMs)
    {
        for (std::int64_t ms = cueMs - 48; ms < cueMs; ms += 16)
            FrameAt(ms);
        vdrxtest::fakeNowMs = startMs + cueMs - 2;
        platform::NotifyClockMoved();
        std::this_thread::sleep_for(20ms); // the scheduler's wait for the deadline begins
        FrameAt(cueMs);
        return receiver.Receive(2s);
    }

    void StartClip()
    {
        plugin.SetTime(2.9);
        plugin.SetTime(0.0);
        startMs = vdrxtest::fakeNowMs;
        FrameAt(0);
    }

    std::int64_t startMs = 0;
};

class CueLongAfterTheLookup : public WholeShow,
                              public ::testing::WithParamInterface<std::tuple<int, bool>>
{
};

// A show whose name was looked up when it was set, a cue 90, 600 or 900 s after that, with the
// name server answering, or down from right after its first answer.
TEST_P(CueLongAfterTheLookup, GoesAtItsDeadlineWithAnAnswerAtMostAMinuteOld)
{
    const auto [cueSeconds, serverDown] = GetParam();
    const std::int64_t cueMs = std::int64_t{cueSeconds} * 1000;
    plugin.SetFloatParameter(P::Delay, static_cast<float>(cueMs));
    plugin.SetTextParameter(P::OscHost, "studio-pc");
    ASSERT_TRUE(Eventually([] { return FakeNetwork::resolves.load() == 1; }));
    WaitForSenders();
    if (serverDown)
        FakeNetwork::fault = Fault::NoAnswer;
    vdrxtest::logLines.clear();

    StartClip();
    FrameAt(cueMs - 40000);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(FakeNetwork::resolves.load(), 1) << "no lookup long before it is needed";
    FrameAt(cueMs - 30000);
    ASSERT_TRUE(Eventually([] { return FakeNetwork::resolves.load() == 2; }))
        << "looked up 30 s before the cue";
    WaitForSenders();

    const std::optional<testhost::ReceivedOsc> cue = PlayThrough(cueMs);
    ASSERT_TRUE(cue.has_value()) << "the cue went at its deadline, not after a lookup";
    EXPECT_EQ(cue->address, "/composition/selectedlayer/transition/duration");
    WaitForSenders();
    Frame();
    EXPECT_EQ(Status(), "Tok|Nno|Mno");
    const std::vector<std::int64_t> lookups = FakeNetwork::ResolvedAtMs();
    EXPECT_GE(lookups.back(), startMs + cueMs - 60000) << "the answer at most a minute old";
    const std::vector<std::string> expected =
        serverDown ? std::vector<std::string>{"VendrolixOSC: transition duration goes to the last "
                                              "good address of studio-pc:" +
                                              std::to_string(receiver.Port()) +
                                              ": the name server did not answer"}
                   : std::vector<std::string>{};
    EXPECT_EQ(vdrxtest::logLines, expected);
    EXPECT_EQ(FakeNetwork::unusualLookupThreads.load(), 0)
        << "every lookup ran at the ordinary policy and timer slack";
}

INSTANTIATE_TEST_SUITE_P(Seconds, CueLongAfterTheLookup,
                         ::testing::Combine(::testing::Values(90, 600, 900), ::testing::Bool()),
                         [](const auto& row)
                         {
                             return std::to_string(std::get<0>(row.param)) + "s" +
                                    (std::get<1>(row.param) ? "NameServerDown" : "");
                         });

TEST_F(WholeShow, FiveLayersCuesToOneNameAllGoSharingOneLookup)
{
    std::vector<std::unique_ptr<VendrolixPro>> layers;
    for (int i = 0; i < 5; ++i)
    {
        layers.push_back(std::make_unique<VendrolixPro>());
        layers.back()->SetOwner(layers.back().get());
        layers.back()->BeginSending();
        layers.back()->SetTextParameter(P::OscPort, std::to_string(receiver.Port()).c_str());
    }
    const auto pressAll = [&layers]
    {
        for (auto& layer : layers)
            layer->SetFloatParameter(P::Test, 1.0f);
    };

    // A name found long ago: every cue goes at once, while its lookup again hangs.
    for (auto& layer : layers)
        layer->SetTextParameter(P::OscHost, "studio-pc");
    ASSERT_TRUE(Eventually([] { return FakeNetwork::resolves.load() == 1; }));
    WaitForSenders();
    Advance(120000);
    FakeNetwork::Hold(true);
    pressAll();
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(receiver.Receive(2s)) << i;
    FakeNetwork::Hold(false);
    WaitForSenders();
    EXPECT_EQ(FakeNetwork::resolves.load(), 2) << "one lookup beside the five";

    // A name never found: the five wait for its one lookup, and go when it answers.
    FakeNetwork::Hold(true);
    for (auto& layer : layers)
        layer->SetTextParameter(P::OscHost, "other-pc");
    pressAll();
    EXPECT_FALSE(receiver.Receive(100ms)) << "nothing to send to yet";
    EXPECT_EQ(SendScheduler::Shared().WaitingForNames(), 5u);
    FakeNetwork::Hold(false);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(receiver.Receive(2s)) << i;
    WaitForSenders();
    EXPECT_EQ(FakeNetwork::resolves.load(), 3);
    for (auto& layer : layers)
    {
        layer->ProcessOpenGL(nullptr);
        EXPECT_STREQ(layer->GetParameterDisplay(P::Status), "Tlate|Nno|Mno");
    }
}

TEST_F(WholeShow, EveryNameInUseIsLookedUpAheadOfItsCues)
{
    VendrolixPro other;
    other.SetOwner(&other);
    other.BeginSending();
    for (VendrolixPro* layer : {&plugin, &other})
        layer->SetFloatParameter(P::Delay, 90000.0f);
    plugin.SetTextParameter(P::OscHost, "studio-pc");
    other.SetTextParameter(P::OscHost, "stage-pc");
    ASSERT_TRUE(Eventually([] { return FakeNetwork::resolves.load() == 2; }));
    WaitForSenders();
    other.SetTime(2.9);
    other.SetTime(0.0); // both clips start in the same frame
    StartClip();
    FrameAt(60000);
    ASSERT_TRUE(Eventually([] { return FakeNetwork::resolves.load() == 4; }))
        << "both names looked up 30 s before their cues, not only the last one announced: "
        << ::testing::PrintToString(FakeNetwork::ResolvedAtMs()) << " (the clip started at "
        << startMs << ")";
}

// sched_getscheduler takes a thread's id on Linux.
int Policy(const std::filesystem::path& task)
{
    return sched_getscheduler(static_cast<pid_t>(std::stol(task.filename().string())));
}

TEST_F(WholeShow, AfterAShowWithANamedHostOnlyTheSchedulerRunsRaised)
{
    plugin.SetFloatParameter(P::Delay, 40000.0f);
    plugin.SetTextParameter(P::OscHost, "studio-pc");
    ASSERT_TRUE(Eventually([] { return FakeNetwork::resolves.load() == 1; }));
    WaitForSenders(); // the answer is stored before the clock moves on, or it would be dated late
    StartClip();
    // The answer is 40 s old at the cue: looked up again beside it, by the scheduler raised
    // for its deadline.
    ASSERT_TRUE(PlayThrough(40000).has_value());
    ASSERT_TRUE(Eventually([] { return FakeNetwork::resolves.load() == 2; }));
    WaitForSenders();
    EXPECT_EQ(FakeNetwork::unusualLookupThreads.load(), 0)
        << "a lookup ran at the scheduler's policy or timer slack";
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
    {
        std::string name;
        std::getline(std::ifstream(task.path() / "comm"), name);
        if (name != "vdrx-send")
        {
            EXPECT_EQ(Policy(task.path()), SCHED_OTHER) << name;
        }
    }
}

TEST_F(WholeShow, AnInstanceWithoutGlStartsNoThreadAndLooksNoNameUp)
{
    static std::atomic<int> starts{0};
    const BackgroundThreadStart real = InstallBackgroundThreadStart(
        [](const char*, std::function<void()>)
        {
            ++starts;
            return false;
        });
    {
        VendrolixPro prototype;
        prototype.SetTextParameter(P::OscHost, "studio-pc");
        prototype.SetTextParameter(P::OscPort, "9000");
        prototype.SetFloatParameter(P::Delay, 5000.0f);
    }
    std::this_thread::sleep_for(20ms);
    InstallBackgroundThreadStart(real);
    EXPECT_EQ(starts.load(), 0);
    EXPECT_EQ(FakeNetwork::resolves.load(), 0);
}

} // namespace
