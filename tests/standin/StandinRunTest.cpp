// The stand-in run as the README runs it: the built program, the built plug-in, real UDP on
// 127.0.0.1. The report's JSON lines say what arrived and when, each message counted from the
// beginning of its pass.
#include "tests/standin/ProgramRun.h"
#include "tools/testhost/OscReceiver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace
{
using ::testing::HasSubstr;
using vdrxtest::ProgramRun;
using vdrxtest::RunProgram;
using vdrxtest::RunSettings;

ProgramRun RunStandin(const std::vector<std::string>& arguments, const RunSettings& settings = {})
{
    return RunProgram(VDRX_STANDIN_PATH, arguments, settings);
}

std::string TempPath(const std::string& name)
{
    return (std::filesystem::temp_directory_path() /
            ("vdrx-standin-" + std::to_string(getpid()) + "-" + name))
        .string();
}

// The raw text of one field of a JSON line: a number, true/false, or a string without quotes.
std::string Field(const std::string& line, const std::string& key)
{
    const std::regex pattern("\"" + key + "\":(\"([^\"]*)\"|[^,}]+)");
    std::smatch match;
    if (!std::regex_search(line, match, pattern))
        return "<no " + key + ">";
    return match[2].matched ? match[2].str() : match[1].str();
}

double Number(const std::string& line, const std::string& key)
{
    return std::stod(Field(line, key));
}

std::vector<std::string> ReportLines(std::istream&& in, const std::string& event)
{
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
    {
        if (Field(line, "event") == event)
            lines.push_back(line);
    }
    return lines;
}

// The message answers a cue, no earlier than its delay and once; how late within a frame is the
// summary's verdict and the benchmark's figure, so a test holds it to a generous bound only.
void ExpectAnsweredOnce(const std::string& line)
{
    EXPECT_NE(Field(line, "kind"), "null") << line;
    ASSERT_NE(Field(line, "cue"), "null") << line;
    EXPECT_EQ(Field(line, "repeat"), "false") << line;
    EXPECT_LT(Number(line, "late_ms"), 250.0) << line;
}

struct Expected
{
    std::string types;
    std::string values;
    double delaySeconds;
};

TEST(StandinRun, DefaultRunDeliversEveryMessageOncePerClipCountedFromItsFirstFrame)
{
    const std::string report = TempPath("report.jsonl");
    const ProgramRun run = RunStandin({"--report", report});
    EXPECT_THAT(run.output, HasSubstr("host log: Created VendrolixPro"));
    EXPECT_THAT(run.output, HasSubstr("Status: started @ t="));

    const std::map<std::string, Expected> expected = {
        {"/composition/tempocontroller/tempo", {"f", "[120]", 0.5}},
        {"/composition/selectedlayer/transition/duration", {"sf", "[\"a\",1]", 1.0}},
        {"/composition/selectedlayer/connectnextclip", {"i", "[1]", 2.0}},
    };
    std::map<std::string, std::vector<std::string>> clipsByAddress;
    for (const std::string& line : ReportLines(std::ifstream(report), "message"))
    {
        const std::string address = Field(line, "address");
        ASSERT_TRUE(expected.contains(address)) << line;
        const Expected& message = expected.at(address);
        EXPECT_EQ(Field(line, "types"), message.types) << line;
        EXPECT_THAT(line, HasSubstr("\"values\":" + message.values));
        ExpectAnsweredOnce(line);
        EXPECT_EQ(Field(line, "cue"), "clip start") << line;
        clipsByAddress[address].push_back(Field(line, "clip"));
    }
    for (const auto& [address, message] : expected)
        EXPECT_THAT(clipsByAddress[address], ::testing::ElementsAre("1", "2")) << address;

    const std::vector<std::string> summary = ReportLines(std::ifstream(report), "summary");
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_EQ(Field(summary[0], "frames"), "360");
    EXPECT_EQ(Field(summary[0], "missing"), "0");
    std::filesystem::remove(report);
}

TEST(StandinRun, AFrameGapRestartsTheSequenceAndTestSendsEverythingAtOnce)
{
    const std::string report = TempPath("gap.jsonl");
    const ProgramRun run =
        RunStandin({"--clip", "2.6", "--loops", "1", "--pause-at", "1.2", "--pause-for", "0.6",
                    "--test-at", "2.4", "--report", report});
    EXPECT_THAT(run.output, HasSubstr("the plug-in counts the frame gap as a clip start"));
    EXPECT_THAT(run.output, HasSubstr("host log: VendrolixOSC: Test pressed"));

    std::map<std::string, int> byTest;
    std::vector<double> tempoAfterStart;
    for (const std::string& line : ReportLines(std::ifstream(report), "message"))
    {
        ExpectAnsweredOnce(line);
        if (Field(line, "cue") == "test")
            ++byTest[Field(line, "address")];
        else if (Field(line, "address") == "/composition/tempocontroller/tempo")
            tempoAfterStart.push_back(Number(line, "clip_time_s"));
    }
    EXPECT_EQ(byTest, (std::map<std::string, int>{
                          {"/composition/selectedlayer/connectnextclip", 1},
                          {"/composition/selectedlayer/transition/duration", 1},
                          {"/composition/tempocontroller/tempo", 1},
                      }));
    // Once after the clip start, once more 0.5 s after the frames resumed at 1.8 s (the clip
    // counts from its first frame's calls, which come a hair after that frame's schedule).
    ASSERT_EQ(tempoAfterStart.size(), 2u);
    EXPECT_GE(tempoAfterStart[1], 2.25);
    std::filesystem::remove(report);
}

// Each message arrives once per clip, answering that clip's start.
std::map<std::string, std::vector<std::string>> ClipsByAddress(const std::string& report)
{
    std::map<std::string, std::vector<std::string>> clips;
    for (const std::string& line : ReportLines(std::ifstream(report), "message"))
    {
        ExpectAnsweredOnce(line);
        EXPECT_EQ(Field(line, "cue"), "clip start") << line;
        clips[Field(line, "address")].push_back(Field(line, "clip"));
    }
    return clips;
}

// The plug-in started its sequence only where a clip started, and missed no message.
void ExpectOnlyClipStarts(const std::string& report)
{
    const std::vector<std::string> summary = ReportLines(std::ifstream(report), "summary");
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_EQ(Field(summary[0], "stray_starts"), "0") << summary[0];
    EXPECT_EQ(Field(summary[0], "missing"), "0") << summary[0];
}

// The demo's three messages came once in each of two clips, each answering its start, and
// the plug-in started nowhere else.
void ExpectDemoMessagesOnceInEachOfTwoClips(const std::string& report)
{
    EXPECT_EQ(ClipsByAddress(report),
              (std::map<std::string, std::vector<std::string>>{
                  {"/composition/selectedlayer/connectnextclip", {"1", "2"}},
                  {"/composition/selectedlayer/transition/duration", {"1", "2"}},
                  {"/composition/tempocontroller/tempo", {"1", "2"}},
              }));
    ExpectOnlyClipStarts(report);
}

TEST(StandinRun, BackwardAndPingPongPassesEachSendOnceCountedFromTheirStart)
{
    // Backwards a pass starts where the time wraps to the end; ping-pong at the turn at 0, and
    // a pass is 1.4 s up and down. The demo's next clip, at 2 s, is never due.
    for (const auto& [direction, clip] :
         std::vector<std::pair<std::string, std::string>>{{"reverse", "1.2"}, {"pingpong", "0.7"}})
    {
        SCOPED_TRACE(direction);
        const std::string report = TempPath(direction + ".jsonl");
        const ProgramRun run =
            RunStandin({"--direction", direction, "--clip", clip, "--report", report});
        EXPECT_THAT(run.output, HasSubstr("clip 2 starts: host time " +
                                          std::string(direction == "reverse" ? clip : "0")));
        const auto clips = ClipsByAddress(report);
        EXPECT_EQ(clips, (std::map<std::string, std::vector<std::string>>{
                             {"/composition/selectedlayer/transition/duration", {"1", "2"}},
                             {"/composition/tempocontroller/tempo", {"1", "2"}},
                         }));
        ExpectOnlyClipStarts(report);
        std::filesystem::remove(report);
    }
}

TEST(StandinRun, AFastClipCountsItsFirstPassFromItsFirstFrame)
{
    // The plug-in has seen no pace before the first pass, so it dates that pass rightly only
    // where its first frame shows the very beginning: at 8x a frame made a little after its
    // schedule would be far past it. A pass lasts 0.75 s: only the tempo is due.
    const std::string report = TempPath("fast.jsonl");
    RunStandin({"--speed", "8", "--clip", "6", "--loops", "1", "--report", report});
    EXPECT_EQ(ClipsByAddress(report), (std::map<std::string, std::vector<std::string>>{
                                          {"/composition/tempocontroller/tempo", {"1"}},
                                      }));
    ExpectOnlyClipStarts(report);
    std::filesystem::remove(report);
}

TEST(StandinRun, AStallWithTheClipTimeRunningOnKeepsThePass)
{
    const std::string report = TempPath("stall.jsonl");
    const ProgramRun run =
        RunStandin({"--clip", "2.5", "--loops", "1", "--stall", "0.8:0.6", "--report", report});
    EXPECT_THAT(run.output, HasSubstr("the frames resume: the same pass goes on"));
    // The transition, due at 1 s, leaves with the first frame after the stall.
    for (const std::string& line : ReportLines(std::ifstream(report), "message"))
    {
        if (Field(line, "address") == "/composition/selectedlayer/transition/duration")
        {
            EXPECT_GE(Number(line, "clip_time_s"), 1.4) << line;
        }
    }
    EXPECT_EQ(ClipsByAddress(report), (std::map<std::string, std::vector<std::string>>{
                                          {"/composition/selectedlayer/connectnextclip", {"1"}},
                                          {"/composition/selectedlayer/transition/duration", {"1"}},
                                          {"/composition/tempocontroller/tempo", {"1"}},
                                      }));
    ExpectOnlyClipStarts(report);
    std::filesystem::remove(report);
}

TEST(StandinRun, SetTimeCallsUpToTwoMillisecondsLateStillDeliverEveryMessageOncePerClip)
{
    const std::string report = TempPath("jitter.jsonl");
    const ProgramRun run = RunStandin({"--call-jitter", "2", "--report", report});
    EXPECT_THAT(run.output, HasSubstr("SetTime up to 2 ms after its time's moment"));
    EXPECT_THAT(run.output, HasSubstr("on time is 0 to 5.0 ms after due"));
    ExpectDemoMessagesOnceInEachOfTwoClips(report);
    std::filesystem::remove(report);
}

TEST(StandinRun, DelaysInBeatsCountAtTheTempoGivenWithItsChangeInEachClip)
{
    // At 240 BPM a beat lasts 0.25 s, at 60 BPM from 0.3 s into each clip 1 s: the transition
    // (1 beat) is due at 0.25 s, the next clip (2 beats: 1.2 by 0.3 s) near 1.1 s. In seconds
    // they would come at 1 s and after the clip's end; without the change the next clip at
    // 0.5 s.
    const std::string report = TempPath("beats.jsonl");
    RunStandin({"--set", "Delays in beats=on", "--tempo", "240", "--tempo-change", "0.3:60",
                "--clip", "1.5", "--report", report});
    std::map<std::string, std::vector<double>> sinceStart;
    for (const std::string& line : ReportLines(std::ifstream(report), "message"))
        sinceStart[Field(line, "address")].push_back(Number(line, "since_cue_s"));
    for (const double transition : sinceStart["/composition/selectedlayer/transition/duration"])
        EXPECT_LT(transition, 0.5);
    for (const double nextClip : sinceStart["/composition/selectedlayer/connectnextclip"])
        EXPECT_GT(nextClip, 1.0);
    ExpectDemoMessagesOnceInEachOfTwoClips(report);
    std::filesystem::remove(report);
}

TEST(StandinRun, ListShowsTheSettingsAsTheInstanceDisplaysThem)
{
    const ProgramRun run =
        RunStandin({"--list", "--set", "Delay=2500", "--set", "Layer (0=sel)=3"});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_THAT(run.output,
                ::testing::ContainsRegex(
                    "Delay +standard +1 ms +0 \\.\\. 900000 ms +2500 ms \\(shows 2\\.5s\\)"));
    EXPECT_THAT(run.output, ::testing::ContainsRegex("NextClip +switch +off +- +on"));
    EXPECT_THAT(run.output, ::testing::ContainsRegex("Layer \\(0=sel\\) +standard .* 3\n"));
    EXPECT_THAT(run.output, ::testing::Not(HasSubstr("clip 1 starts")));
}

TEST(StandinRun, LastOutputFrameIsTheInputPassedThrough)
{
    // No message is asked for, so that the exit status tells of the frame alone.
    const std::string png = TempPath("frame.png");
    const ProgramRun run = RunStandin({"--plugin-defaults", "--set", "LayerTrans=off", "--clip",
                                       "0.5", "--loops", "1", "--png", png});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("the last output frame equals its input"));
    std::ifstream in(png, std::ios::binary);
    std::string signature(8, '\0');
    in.read(signature.data(), 8);
    EXPECT_EQ(signature, "\x89PNG\r\n\x1a\n");
    std::filesystem::remove(png);
}

TEST(StandinRun, BadSettingsAreRefusedByNameBeforeAnyFrame)
{
    const ProgramRun unknown = RunStandin({"--set", "Dealy=1000"});
    EXPECT_EQ(unknown.exitStatus, 2);
    EXPECT_THAT(unknown.output, HasSubstr("unknown parameter \"Dealy\""));
    EXPECT_THAT(unknown.output, ::testing::Not(HasSubstr("clip 1 starts")));

    const ProgramRun outOfRange = RunStandin({"--set", "Delay=900001"});
    EXPECT_EQ(outOfRange.exitStatus, 2);
    EXPECT_THAT(outOfRange.output, HasSubstr("\"Delay\" takes 0 to 900000"));
}

TEST(StandinRun, AClipPausedOnItsFirstFrameSendsOnceStartingNoThread)
{
    const std::string report = TempPath("hold.jsonl");
    // A new instance: the transition message alone, with no delay. The send scheduler's thread
    // started with the instance, before the clip.
    const ProgramRun run = RunStandin({"--plugin-defaults", "--hold-zero", "1", "--clip", "0.5",
                                       "--loops", "1", "--report", report});
    EXPECT_THAT(run.output, HasSubstr(": 1 datagram arrived, 0 threads started")) << run.output;
    const std::vector<std::string> summary = ReportLines(std::ifstream(report), "summary");
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_EQ(Field(summary[0], "messages"), "1");
    EXPECT_EQ(Field(summary[0], "hold_datagrams"), "1");
    EXPECT_EQ(Field(summary[0], "hold_threads"), "0");
    std::filesystem::remove(report);
}

TEST(StandinRun, CtrlCEndsThePlayWithItsSummaryAndReport)
{
    const std::string report = TempPath("interrupted.jsonl");
    const ProgramRun run = RunStandin({"--loops", "0", "--report", report},
                                      RunSettings{.interruptAfter = "OSC /composition"});
    EXPECT_EQ(run.exitStatus, 130) << run.output;
    EXPECT_THAT(run.output, HasSubstr("then interrupted"));
    EXPECT_THAT(run.output, HasSubstr("messages  1 received"));
    const std::vector<std::string> summary = ReportLines(std::ifstream(report), "summary");
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_EQ(Field(summary[0], "exit"), "130");
    EXPECT_EQ(Field(summary[0], "clips"), "1");
    std::filesystem::remove(report);
}

TEST(StandinRun, ReportGoesToStandardOutputWithLongTextsWhole)
{
    // Without a delay: a clip start sends it once, however many frames begin the clip.
    const std::string address = std::string(1, '/').append(400, 'x');
    const ProgramRun run = RunStandin({"--plugin-defaults", "--set", "LayerTrans=off", "--set",
                                       "OSC Msg=" + address + " i 7", "--clip", "0.3", "--loops",
                                       "1", "--report", "-"},
                                      RunSettings{.separateErrors = true});
    EXPECT_THAT(run.errors, HasSubstr("Summary"));
    const std::vector<std::string> messages =
        ReportLines(std::istringstream(run.output), "message");
    ASSERT_EQ(messages.size(), 1u) << run.output;
    EXPECT_EQ(Field(messages[0], "address"), address);
    ExpectAnsweredOnce(messages[0]);
    EXPECT_EQ(ReportLines(std::istringstream(run.output), "summary").size(), 1u);
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 2) << "JSON lines only:\n"
                                                                         << run.output;
}

TEST(StandinRun, ARelativePluginPathIsTheFileInTheCurrentFolder)
{
    const std::filesystem::path plugin = VDRX_PLUGIN_PATH;
    const ProgramRun run =
        RunStandin({"--version", "--plugin", plugin.filename().string()},
                   RunSettings{.workingDirectory = plugin.parent_path().string()});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("vendrolix-host "));
    EXPECT_THAT(run.output,
                HasSubstr("VendrolixOSC (VDRX) 1.0, FFGL 2.1 effect: " + plugin.string()));
}

TEST(StandinRun, RefusesAFileThatIsNoPluginAndAPortThatIsTaken)
{
    const std::string notAPlugin = TempPath("not-a-plugin.so");
    std::ofstream(notAPlugin) << "not a library\n";
    const ProgramRun refused = RunStandin({"--plugin", notAPlugin});
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_THAT(refused.output, HasSubstr("is not an FFGL 2 plug-in"));
    std::filesystem::remove(notAPlugin);

    const testhost::OscReceiver taken;
    const ProgramRun busy = RunStandin({"--port", std::to_string(taken.Port())});
    EXPECT_EQ(busy.exitStatus, 1);
    EXPECT_THAT(busy.output, HasSubstr("cannot listen for OSC on UDP port"));
}

} // namespace
