// What a hostile network and user meet: the real send scheduler against a socket seam that
// fails, throws or holds its lookups. Every failure shows as "err" and one host-log line; the
// threads stay within their bounds; every press is either sent or accounted for in the log.
#include "sending/BackgroundThread.h"
#include "sending/NameCache.h"
#include "sending/SendScheduler.h"
#include "tests/controller/SchedulerFixture.h"
#include "tests/osc/CommaLocale.h"
#include "tools/testhost/FailureLines.h"
#include "tools/testhost/OscReceiver.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <new>
#include <regex>
#include <thread>

namespace
{
using namespace std::chrono_literals;
using P = VendrolixPro;
using vdrxtest::FakeNetwork;
using vdrxtest::Fault;

class SendFailures : public vdrxtest::SchedulerTest
{
};

struct FailureCase
{
    const char* name;
    Fault fault;
    const char* host;
    const char* message;
    const char* status;
    const char* line; // after "VendrolixOSC: "
};

class EachFailure : public SendFailures, public ::testing::WithParamInterface<FailureCase>
{
};

TEST_P(EachFailure, ShowsErrAndWritesOneLogLine)
{
    const FailureCase& c = GetParam();
    FakeNetwork::fault = c.fault;
    if (c.host)
        plugin.SetTextParameter(P::OscHost, c.host);
    if (c.message)
    {
        plugin.SetFloatParameter(P::LayerTrans, 0.0f);
        plugin.SetTextParameter(P::OscMsg, c.message);
    }
    vdrxtest::logLines.clear();
    plugin.SetFloatParameter(P::Test, 1.0f);
    WaitForSenders();
    Frame();
    EXPECT_EQ(Status(), c.status);
    std::string line = std::string("VendrolixOSC: ") + c.line;
    line = std::regex_replace(line, std::regex("PORT"), std::to_string(receiver.Port()));
    EXPECT_EQ(vdrxtest::logLines, (std::vector<std::string>{"VendrolixOSC: Test pressed", line}));
    EXPECT_FALSE(receiver.Receive(10ms));

    FakeNetwork::fault = Fault::None;
    Advance(6000); // past the time a failed lookup is kept
    plugin.SetTextParameter(P::OscHost, "127.0.0.1");
    if (c.message)
        plugin.SetTextParameter(P::OscMsg, "/x/y");
    plugin.SetFloatParameter(P::Test, 1.0f);
    WaitForSenders();
    Frame();
    EXPECT_EQ(Status().find("err"), std::string::npos) << "Test clears err: " << Status();
}

// Longer than any name, and than the room a waiting message has for it: the log line shows it cut.
const std::string kLongHost(300, 'a');
const std::string kLongHostLine =
    "transition duration not sent to " + std::string(95, 'a') + ": the name does not resolve";

const FailureCase kFailures[] = {
    {"NotAMessage", Fault::None, nullptr, "/x/y i abc", "Tno|Nno|Merr",
     "OSC message not sent to 127.0.0.1:PORT: the text is not an OSC message"},
    {"EmptyHost", Fault::None, "", nullptr, "Terr|Nno|Mno",
     "transition duration not sent to :PORT: \"OSC Host\" is empty"},
    {"NoName", Fault::NoName, "studio-pc", nullptr, "Terr|Nno|Mno",
     "transition duration not sent to studio-pc:PORT: the name does not resolve"},
    {"HostLongerThanAName", Fault::None, kLongHost.c_str(), nullptr, "Terr|Nno|Mno",
     kLongHostLine.c_str()},
    {"NoNameServer", Fault::NoAnswer, "studio-pc", nullptr, "Terr|Nno|Mno",
     "transition duration not sent to studio-pc:PORT: the name server did not answer"},
    {"NoMemoryOnTheSenderThread", Fault::NoMemory, nullptr, nullptr, "Terr|Nno|Mno",
     "transition duration not sent to 127.0.0.1:PORT: out of memory"},
    {"NoSocket", Fault::NoSocket, nullptr, nullptr, "Terr|Nno|Mno",
     "transition duration not sent to 127.0.0.1:PORT: no socket can be opened"},
    {"ShortSend", Fault::ShortSend, "::1", nullptr, "Terr|Nno|Mno",
     "transition duration not sent to [::1]:PORT: the datagram is not sent whole"},
};

INSTANTIATE_TEST_SUITE_P(Reasons, EachFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(SendFailures, TypedTextsThatWillNotDoWhatTheySayAreLoggedOnceWhenSet)
{
    vdrxtest::logLines.clear();
    plugin.SetTextParameter(P::OscMsg, "x/y 1");
    plugin.SetTextParameter(P::OscMsg, "x/y 1"); // unchanged: no second line
    plugin.SetTextParameter(P::OscPort, "1e4");
    plugin.SetTextParameter(P::OscPort, "70000");
    plugin.SetTextParameter(P::OscPort, " 9000 ");
    EXPECT_EQ(vdrxtest::logLines,
              (std::vector<std::string>{
                  "VendrolixOSC: \"OSC Msg\" x/y 1 is not an OSC message: it does not begin with "
                  "\"/\"; it will not be sent",
                  "VendrolixOSC: \"OSC Port\" 1e4 is not a port number from 1 to 65535; 1 is used",
                  "VendrolixOSC: \"OSC Port\" 70000 is not a port number from 1 to 65535; 7000 is "
                  "used"}));
}

TEST_F(SendFailures, StormOfPressesStaysWithinTheBoundAndAccountsForEveryPress)
{
    FakeNetwork::fault = Fault::NoName;
    FakeNetwork::Hold(true);
    plugin.SetTextParameter(P::OscHost, "dead.test"); // its lookup starts, and hangs
    vdrxtest::logLines.clear();
    constexpr int kPresses = 1000;
    int highest = 0;
    for (int press = 0; press < kPresses; ++press)
    {
        plugin.SetFloatParameter(P::Test, 1.0f);
        highest = std::max(highest, static_cast<int>(osc::SharedNameCache().BackgroundLookups()));
    }
    EXPECT_LE(highest, static_cast<int>(osc::NameCache::Limits{}.backgroundLookups))
        << "one scheduler and a few lookups";
    FakeNetwork::Hold(false);
    WaitForSenders();
    Frame(); // takes in what the senders reported
    EXPECT_EQ(Status(), "Terr|Nno|Mno");
    Advance(2000); // past the second in which repeats are only counted
    plugin.CollectSendFailures();
    EXPECT_EQ(testhost::CountNotSent(vdrxtest::logLines), kPresses)
        << "every press is accounted for";
    EXPECT_EQ(FakeNetwork::resolves.load(), 1) << "one lookup, shared by every send";
}

TEST_F(SendFailures, ALookupThreadThatCannotStartFailsItsMessageWithALine)
{
    const BackgroundThreadStart real =
        InstallBackgroundThreadStart([](const char*, std::function<void()>) { return false; });
    plugin.SetTextParameter(P::OscHost, "studio-pc"); // never looked up: no thread for it
    vdrxtest::logLines.clear();
    plugin.SetFloatParameter(P::Test, 1.0f);
    WaitForSenders();
    InstallBackgroundThreadStart(real);
    Frame();
    EXPECT_EQ(Status(), "Terr|Nno|Mno");
    EXPECT_EQ(vdrxtest::logLines.back(),
              "VendrolixOSC: transition duration not sent to studio-pc:" +
                  std::to_string(receiver.Port()) +
                  ": no scheduler or lookup thread can be started");
    EXPECT_EQ(FakeNetwork::resolves.load(), 0);
}

TEST_F(SendFailures, AMessageWhoseNameIsStillLookedUpAtItsDeadlineGoesLateAndSaysSo)
{
    FakeNetwork::Hold(true); // the name's own lookup is under way when the message is due
    plugin.SetTextParameter(P::OscHost, "studio-pc");
    vdrxtest::logLines.clear();
    plugin.SetFloatParameter(P::Test, 1.0f);
    EXPECT_FALSE(receiver.Receive(100ms)) << "it waits for its name";
    FakeNetwork::Hold(false);
    EXPECT_TRUE(receiver.Receive(2s)) << "and goes when the answer comes";
    WaitForSenders();
    Frame();
    EXPECT_EQ(Status(), "Tlate|Nno|Mno");
    ASSERT_FALSE(vdrxtest::logLines.empty());
    EXPECT_EQ(vdrxtest::logLines.back(),
              "VendrolixOSC: transition duration sent late to studio-pc:" +
                  std::to_string(receiver.Port()) +
                  ": its name was still being looked up at its deadline");
}

TEST_F(SendFailures, SixtyFourInstancesSchedulingInOneFrameLoseNothing)
{
    std::vector<std::unique_ptr<VendrolixPro>> instances;
    for (int i = 0; i < 64; ++i)
    {
        instances.push_back(std::make_unique<VendrolixPro>());
        instances.back()->SetOwner(instances.back().get());
        instances.back()->SetTextParameter(P::OscPort, std::to_string(receiver.Port()).c_str());
    }
    for (auto& instance : instances)
        instance->SetFloatParameter(P::Test, 1.0f);
    for (int i = 0; i < 64; ++i)
        ASSERT_TRUE(receiver.Receive(2s)) << i;
}

TEST_F(SendFailures, AWaitingMessageIsCancelledByARestartTestOrTheInstancesEnd)
{
    const auto nothingAtTheDeadline = [this]
    {
        EXPECT_EQ(SendScheduler::Shared().Queue().Waiting(), 0u) << "its place is free at once";
        Advance(100);
        platform::NotifyClockMoved();
        EXPECT_FALSE(receiver.Receive(200ms)) << "nothing goes at the deadline";
    };

    ScheduleHalfASecondAhead(plugin);
    plugin.SetTime(0.4);
    plugin.SetTime(0.0); // the clip starts again before the moment
    nothingAtTheDeadline();

    ScheduleHalfASecondAhead(plugin);
    plugin.SetFloatParameter(P::Test, 1.0f);
    ASSERT_TRUE(receiver.Receive(2s)) << "Test sends now";
    WaitForSenders();
    nothingAtTheDeadline();

    auto doomed = std::make_unique<VendrolixPro>();
    doomed->SetTextParameter(P::OscPort, std::to_string(receiver.Port()).c_str());
    ScheduleHalfASecondAhead(*doomed);
    doomed.reset();
    nothingAtTheDeadline();
}

// The scheduler waits for the earliest deadline it knew: one earlier, scheduled later, must wake
// it (the test clock stands still, so nothing else would).
TEST_F(SendFailures, AMessageDueBeforeTheWaitingOneGoesAtOnce)
{
    ScheduleHalfASecondAhead(plugin);
    VendrolixPro other;
    other.SetTextParameter(P::OscPort, std::to_string(receiver.Port()).c_str());
    other.SetFloatParameter(P::Test, 1.0f);
    EXPECT_TRUE(receiver.Receive(2s));
    EXPECT_EQ(SendScheduler::Shared().Queue().Waiting(), 1u) << "the later one still waits";
    Advance(100);
    platform::NotifyClockMoved();
    EXPECT_TRUE(receiver.Receive(2s)) << "and goes at its deadline";
}

TEST_F(SendFailures, NameLookedUpWhenSetIsReadyForTheCue)
{
    FakeNetwork::Hold(true);
    plugin.SetTextParameter(P::OscHost, "studio-pc");
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (osc::SharedNameCache().BackgroundLookups() == 0 &&
           std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(osc::SharedNameCache().BackgroundLookups(), 1u) << "looked up at once, meanwhile";
    FakeNetwork::Hold(false);
    WaitForSenders();
    plugin.SetFloatParameter(P::Test, 1.0f);
    EXPECT_TRUE(receiver.Receive(2s));
    EXPECT_EQ(FakeNetwork::resolves.load(), 1) << "the cue used the answer kept";
}

TEST_F(SendFailures, DisplayTextsUseAPeriodUnderACommaLocale)
{
    const CommaLocale locale;
    if (!locale.Active())
        GTEST_SKIP() << CommaLocale::WhyNot();
    plugin.SetFloatParameter(P::LayerTrans, 0.0f);
    plugin.SetFloatParameter(P::Delay, 3000.0f);
    plugin.SetFloatParameter(P::NextClip, 1.0f);
    plugin.SetFloatParameter(P::DelayNextClip, 2500.0f);
    EXPECT_STREQ(plugin.GetParameterDisplay(P::Delay), "3.0s");
    EXPECT_STREQ(plugin.GetParameterDisplay(P::Duration), "1.000000");
    plugin.SetTime(1.0);
    plugin.SetTime(0.02);
    EXPECT_EQ(Status(), "started @ t=0.020");
    Frame();
    EXPECT_EQ(Status(), "Tno|N2.5s|Mno");
}

} // namespace
