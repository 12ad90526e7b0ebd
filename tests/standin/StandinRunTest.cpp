// The stand-in run as the README runs it: the built program, the built plug-in, real UDP on
// 127.0.0.1. The report's JSON lines say what arrived and when.
#include "tests/standin/ProgramRun.h"
#include "tools/testhost/OscReceiver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace
{
using ::testing::HasSubstr;
using vdrxtest::ProgramRun;
using vdrxtest::RunProgram;

ProgramRun RunStandin(const std::vector<std::string>& arguments)
{
    return RunProgram(VDRX_STANDIN_PATH, arguments);
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

std::vector<std::string> ReportLines(const std::string& path, const std::string& event)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
    {
        if (Field(line, "event") == event)
            lines.push_back(line);
    }
    return lines;
}

struct Expected
{
    std::string types;
    std::string values;
    double delaySeconds;
};

TEST(StandinRun, DefaultRunDeliversEveryMessageOncePerClipAtOrAfterItsDelay)
{
    const std::string report = TempPath("report.jsonl");
    const ProgramRun run = RunStandin({"--report", report});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("host log: Created VendrolixPro"));
    EXPECT_THAT(run.output, HasSubstr("Status: started @ t="));

    const std::map<std::string, Expected> expected = {
        {"/composition/tempocontroller/tempo", {"f", "[120]", 0.5}},
        {"/composition/selectedlayer/transition/duration", {"sf", "[\"a\",1]", 1.0}},
        {"/composition/selectedlayer/connectnextclip", {"i", "[1]", 2.0}},
    };
    std::map<std::string, std::vector<std::string>> clipsByAddress;
    for (const std::string& line : ReportLines(report, "message"))
    {
        const std::string address = Field(line, "address");
        ASSERT_TRUE(expected.contains(address)) << line;
        const Expected& message = expected.at(address);
        EXPECT_EQ(Field(line, "types"), message.types) << line;
        EXPECT_THAT(line, HasSubstr("\"values\":" + message.values));
        EXPECT_EQ(Field(line, "ok"), "true") << line;
        EXPECT_GE(Number(line, "clip_time_s"), message.delaySeconds) << line;
        EXPECT_LT(Number(line, "late_ms"), 1000.0) << line;
        clipsByAddress[address].push_back(Field(line, "clip"));
    }
    for (const auto& [address, message] : expected)
        EXPECT_THAT(clipsByAddress[address], ::testing::ElementsAre("1", "2")) << address;

    const std::vector<std::string> summary = ReportLines(report, "summary");
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_EQ(Field(summary[0], "frames"), "360");
    EXPECT_EQ(Field(summary[0], "missing"), "0");
    EXPECT_EQ(Field(summary[0], "exit"), "0");
    std::filesystem::remove(report);
}

TEST(StandinRun, AFrameGapRestartsTheSequenceAndTestSendsEverythingAtOnce)
{
    const std::string report = TempPath("gap.jsonl");
    const ProgramRun run =
        RunStandin({"--clip", "2.6", "--loops", "1", "--pause-at", "1.2", "--pause-for", "0.6",
                    "--test-at", "2.4", "--report", report});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("the plug-in counts the frame gap as a clip start"));
    EXPECT_THAT(run.output, HasSubstr("host log: VendrolixOSC: Test pressed"));

    std::map<std::string, int> byTest;
    std::vector<double> tempoAfterStart;
    for (const std::string& line : ReportLines(report, "message"))
    {
        EXPECT_EQ(Field(line, "ok"), "true") << line;
        if (Field(line, "mark") == "test")
            ++byTest[Field(line, "address")];
        else if (Field(line, "address") == "/composition/tempocontroller/tempo")
            tempoAfterStart.push_back(Number(line, "clip_time_s"));
    }
    EXPECT_EQ(byTest, (std::map<std::string, int>{
                          {"/composition/selectedlayer/connectnextclip", 1},
                          {"/composition/selectedlayer/transition/duration", 1},
                          {"/composition/tempocontroller/tempo", 1},
                      }));
    // Once after the clip start, once more 0.5 s after the frames resumed at 1.8 s.
    ASSERT_EQ(tempoAfterStart.size(), 2u);
    EXPECT_GE(tempoAfterStart[1], 2.3);
    std::filesystem::remove(report);
}

TEST(StandinRun, ListShowsTheSettingsAsTheInstanceDisplaysThem)
{
    const ProgramRun run =
        RunStandin({"--list", "--set", "Delay=2500", "--set", "Layer (0=sel)=3"});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_THAT(run.output,
                ::testing::ContainsRegex("Delay +standard +1 +0 \\.\\. 900000 +2\\.5s"));
    EXPECT_THAT(run.output, ::testing::ContainsRegex("Layer \\(0=sel\\) +standard .* 3\\.000000"));
    EXPECT_THAT(run.output, ::testing::Not(HasSubstr("clip 1 starts")));
}

TEST(StandinRun, LastOutputFrameIsTheInputPassedThrough)
{
    const std::string png = TempPath("frame.png");
    const ProgramRun run = RunStandin({"--clip", "0.5", "--loops", "1", "--png", png});
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
