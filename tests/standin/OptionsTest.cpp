// The stand-in's command line.
#include "tools/standin/Options.h"
#include "tools/standin/ClipPlan.h"
#include "tools/standin/HelpText.h"
#include "tools/standin/UsageError.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
using standin::Options;
using standin::UsageError;

Options Parse(const std::vector<const char*>& arguments)
{
    return standin::ParseOptions(arguments);
}

TEST(Options, TakeValuesSeparateOrAfterEqualsSign)
{
    const Options options =
        Parse({"--fps=30", "--clip", "1.5", "--set", "OSC Msg=/a f 1", "--set=Delay=200",
               "--test-at", "2", "--test-at=0.5", "--size", "64x32", "--no-listen", "--direction",
               "pingpong", "--stall=1.25:0.75"});
    EXPECT_EQ(options.fps, 30.0);
    EXPECT_EQ(options.clipSeconds, 1.5);
    EXPECT_EQ(options.direction, standin::PlayDirection::PingPong);
    EXPECT_EQ(options.stallAt, 1.25);
    EXPECT_EQ(options.stallSeconds, 0.75);
    EXPECT_EQ(options.settings, (std::vector<std::string>{"OSC Msg=/a f 1", "Delay=200"}));
    EXPECT_EQ(options.testAt, (std::vector<double>{0.5, 2.0}));
    EXPECT_EQ(options.width, 64u);
    EXPECT_EQ(options.height, 32u);
    EXPECT_FALSE(options.listen);

    const Options tempo =
        Parse({"--tempo", "128", "--tempo-change", "2:140", "--tempo-change=1:100"});
    EXPECT_EQ(tempo.tempo, 128.0);
    ASSERT_EQ(tempo.tempoChanges.size(), 2u);
    EXPECT_EQ(tempo.tempoChanges[0].at, 1.0) << "in the order of the clip";
    EXPECT_EQ(tempo.tempoChanges[0].bpm, 100.0);

    const Options play =
        Parse({"--speed", "2", "--speed-change=3:0.5", "--speed-change", "1:8", "--in", "0.5",
               "--out=2.5", "--hide", "2.5:1.5", "--call-jitter", "2", "--step-back", "1:2.5"});
    EXPECT_EQ(play.speed, 2.0);
    ASSERT_EQ(play.speedChanges.size(), 2u);
    EXPECT_EQ(play.speedChanges[0].at, 1.0) << "in the order of play";
    EXPECT_EQ(play.speedChanges[0].speed, 8.0);
    EXPECT_EQ(play.inPoint, 0.5);
    EXPECT_EQ(play.outPoint, 2.5);
    EXPECT_EQ(play.hideAt, 2.5);
    EXPECT_EQ(play.hideSeconds, 1.5);
    EXPECT_EQ(play.callJitterMs, 2.0);
    ASSERT_EQ(play.stepBacks.size(), 1u);
    EXPECT_EQ(play.stepBacks[0].milliseconds, 2.5);
}

TEST(Options, RefuseWhatCannotBeActedOn)
{
    for (const auto& arguments :
         std::vector<std::vector<const char*>>{{"--fps", "0"},
                                               {"--fps", "ten"},
                                               {"--loops", "1.5"},
                                               {"--port", "65536"},
                                               {"--size", "64"},
                                               {"--clip"},
                                               {"--glx=yes"},
                                               {"--colour"},
                                               {"Delay=5"},
                                               {"--loops", "-1"},
                                               {"--port", "9000", "--no-listen"},
                                               {"--list", "--fps", "30"},
                                               {"--pause-for", "1"},
                                               {"--listen-only", "9000", "--set", "Delay=1"},
                                               {"--listen-only", "10.0.0.1:9000"},
                                               {"--version", "--loops", "3"},
                                               {"--direction", "backwards"},
                                               {"--stall", "1.5"},
                                               {"--stall", "1:61"},
                                               {"--stall", ":1"},
                                               {"--tempo", "0"},
                                               {"--tempo", "1000"},
                                               {"--tempo-change", "2"},
                                               {"--tempo-change", "2:0"},
                                               {"--tempo-change", "-1:140"},
                                               {"--list", "--tempo-change", "1:140"},
                                               {"--speed", "0.2"},
                                               {"--speed", "9"},
                                               {"--speed-change", "1"},
                                               {"--speed-change", "1:10"},
                                               {"--in", "-1"},
                                               {"--hide", "1"},
                                               {"--call-jitter", "21"},
                                               {"--step-back", "1:-2"},
                                               {"--list", "--speed", "2"}})
        EXPECT_THROW(Parse(arguments), UsageError) << ::testing::PrintToString(arguments);
}

// At 60 frames/s with the default 3 s clip, two loops.
standin::ClipPlan Plan(std::vector<const char*> arguments)
{
    standin::ParameterInfo test;
    test.name = "Test";
    test.type = standin::kEventType;
    return standin::MakePlan(Parse(arguments), {test});
}

TEST(Plans, RefuseWhatThePluginCouldNotBeJudgedBy)
{
    for (const auto& arguments : std::vector<std::vector<const char*>>{
             {"--direction", "reverse", "--hold-zero", "1"},
             {"--direction", "reverse", "--clip", "0.1"},
             {"--direction", "pingpong", "--clip", "0.3", "--fps", "10"},
             {"--stall", "6:0.5"},
             {"--stall", "1.001:0.001"}, // between two frames
             {"--stall", "1:0.6", "--pause-at", "1.6"},
             {"--stall", "0:0.5"}, // no frame before it
             {"--hide", "5.5:1"},  // no frame after it
             {"--stall", "1:0.5", "--hide", "1.5:0.5"},
             {"--hold-zero", "1", "--hide", "0.5:1"},
             {"--test-at", "3"},
             {"--direction", "pingpong", "--test-at", "6.01"}, // the turn at 0 shows a frame late
             {"--speed", "2", "--test-at", "1.5"},             // clip 2's first frame
             {"--hide", "2.5:1", "--test-at", "3.2"},          // clip 2 shows after the hide
             {"--tempo-change", "3:140"},                      // clip 2's start
             {"--speed", "2", "--tempo-change", "2:140"},      // clip 2's start, at 2x
             {"--in", "2", "--out", "2"},
             {"--out", "4"},
             {"--hold-zero", "1", "--in", "0.5"},
             {"--speed", "8", "--clip", "0.15"},
             {"--speed-change", "6:2"},
             {"--step-back", "3.001:2.5"},                            // back across clip 2's start
             {"--direction", "pingpong", "--step-back", "3.001:2.5"}, // across the turn
             {"--hold-zero", "1", "--step-back", "0.5:1"}})
        EXPECT_THROW(Plan(arguments), UsageError) << ::testing::PrintToString(arguments);
}

TEST(Plans, TakeGapsAcrossPassesAndPressesAwayFromTheirStarts)
{
    for (const auto& arguments : std::vector<std::vector<const char*>>{
             {"--stall", "3.04:0.5", "--test-at", "3.016"},
             {"--direction", "pingpong", "--stall", "3.04:2.9", "--test-at", "6.033"},
             {"--hold-zero", "1", "--stall", "1.04:1.9", "--pause-at", "3.2"},
             {"--hold-zero", "1", "--test-at", "0.5"},
             {"--direction", "pingpong", "--tempo-change", "5.9:140"},
             {"--stall", "2.9:0.2"},                            // across clip 2's start
             {"--stall", "3.01:0.5"},                           // from clip 2's second frame
             {"--direction", "pingpong", "--stall", "2.9:0.2"}, // across the turn at 3 s
             {"--direction", "pingpong", "--stall", "5.9:0.5"}, // across the turn at 0
             {"--speed", "2", "--loops", "4", "--hide", "2.5:2.5", "--stall", "1:0.5"},
             {"--step-back", "3.003:2.5"}})
        EXPECT_NO_THROW(Plan(arguments)) << ::testing::PrintToString(arguments);
}

TEST(Plans, BeginEachPassWhereThePlayheadIsAtItsStart)
{
    struct Case
    {
        std::vector<const char*> arguments;
        std::vector<double> beginnings; // seconds of play, the end of the play last
        double at;                      // seconds of play
        std::size_t pass;               // there
        double clipTime;
    };
    const std::vector<Case> cases = {
        // 1 clip second a pass, at 2 clip seconds per second.
        {{"--speed", "2", "--in", "1.0", "--out", "2.0"}, {0.0, 0.5, 1.0}, 0.75, 1, 1.5},
        // Down from the out point, wrapping back to it.
        {{"--direction", "reverse", "--in", "0.5", "--out", "2.5"}, {0.0, 2.0, 4.0}, 2.5, 1, 2.0},
        // Up and down, from the turn at the in point.
        {{"--clip", "6", "--direction", "pingpong", "--in", "2.0", "--out", "5.0"},
         {0.0, 6.0, 12.0},
         7.0,
         1,
         3.0},
        // 1 clip second at 1x, then 2 at 4x.
        {{"--speed-change", "1:4"}, {0.0, 1.5, 2.25}, 1.25, 0, 2.0},
        // The clock 2.5 ms back at 1 s: that pass ends, and every later one begins, 2.5 ms later.
        {{"--step-back", "1:2.5"}, {0.0, 3.0025, 6.0025}, 1.0, 0, 0.9975},
        // Clip 3 begins (3 s) and ends (4.5 s) hidden: the time runs on through the hide.
        {{"--speed", "2", "--hide", "2.5:2.5", "--loops", "4"},
         {0.0, 1.5, 3.0, 4.5, 6.0},
         5.0,
         3,
         1.0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        const standin::Playhead playhead = Plan(c.arguments).playhead;
        for (std::size_t pass = 0; pass < c.beginnings.size(); ++pass)
            EXPECT_NEAR(playhead.PassBegin(pass), c.beginnings[pass], 1e-9) << pass;
        EXPECT_NEAR(*playhead.End(), c.beginnings.back(), 1e-9);
        const standin::Playhead::Position position = playhead.At(c.at);
        EXPECT_EQ(position.pass, c.pass);
        EXPECT_NEAR(position.clipTime, c.clipTime, 1e-9);
    }
}

TEST(Plans, GiveEachClipItsTempoFromItsFirstFrame)
{
    const standin::ClipPlan plan = Plan({"--tempo", "128", "--tempo-change", "2:140",
                                         "--tempo-change", "1:100", "--tempo-change", "2:150"});
    EXPECT_EQ(plan.TempoAt(0.0), 128.0);
    EXPECT_EQ(plan.TempoAt(1.0), 100.0);
    EXPECT_EQ(plan.TempoAt(2.5), 150.0) << "of two changes at one moment, the later given";
}

TEST(Options, ListenOnlyTakesAPortAndALoopbackAddress)
{
    const auto port = Parse({"--listen-only", "7000", "--quiet"}).listenOnly;
    ASSERT_TRUE(port.has_value());
    EXPECT_EQ(port->loopback, testhost::Loopback::IPv4);
    EXPECT_EQ(port->port, 7000);
    for (const char* address : {"::1:9000", "[::1]:9000"})
    {
        const auto v6 = Parse({"--listen-only", address}).listenOnly;
        EXPECT_EQ(v6->loopback, testhost::Loopback::IPv6) << address;
        EXPECT_EQ(v6->port, 9000) << address;
    }
    EXPECT_EQ(Parse({"--listen-only", "127.0.0.1:9001"}).listenOnly->port, 9001);
}

TEST(Options, HelpDocumentsEveryOption)
{
    const std::string help = standin::HelpText("/opt/VendrolixPro.so");
    // Listed as "  --fps N", or "  -h, --help" for a short form.
    for (const std::string_view name : standin::OptionNames())
    {
        const std::string listed = std::string(1, ' ').append(name);
        EXPECT_TRUE(help.find(listed + ' ') != std::string::npos ||
                    help.find(listed + ',') != std::string::npos)
            << name;
    }
    EXPECT_NE(help.find("(default: /opt/VendrolixPro.so)"), std::string::npos);
    EXPECT_NE(help.find("\"OSC Msg=/composition/tempocontroller/tempo f 120\""), std::string::npos);
}

} // namespace
