// vendrolix-host: runs the plug-in as a video host would, without one, and shows it do its
// job: the clip restarts, the "Status" countdown runs, and each OSC message arrives decoded.
#include "tools/standin/ClipPlan.h"
#include "tools/standin/ClipPlayer.h"
#include "tools/standin/Console.h"
#include "tools/standin/DemoSettings.h"
#include "tools/standin/ExitStatus.h"
#include "tools/standin/ExpectedMessages.h"
#include "tools/standin/HelpText.h"
#include "tools/standin/HostGl.h"
#include "tools/standin/HostLogPrinter.h"
#include "tools/standin/InputFeed.h"
#include "tools/standin/Interruption.h"
#include "tools/standin/ListenOnly.h"
#include "tools/standin/MessageCheck.h"
#include "tools/standin/MessageListener.h"
#include "tools/standin/Options.h"
#include "tools/standin/OutputFrameCheck.h"
#include "tools/standin/OutputPath.h"
#include "tools/standin/ParameterAssignment.h"
#include "tools/standin/ParameterListing.h"
#include "tools/standin/ParameterTable.h"
#include "tools/standin/PluginLoader.h"
#include "tools/standin/PluginLocation.h"
#include "tools/standin/Report.h"
#include "tools/standin/RunRecord.h"
#include "tools/standin/StatusWatcher.h"
#include "tools/standin/Summary.h"
#include "tools/standin/TextFormat.h"
#include "tools/standin/UsageError.h"
#include "tools/testhost/GlPixels.h"
#include "tools/testhost/OscReceiver.h"
#include "tools/testhost/PluginInstance.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <vector>

namespace standin
{
namespace
{

constexpr const char* kOscHost = "OSC Host";
constexpr const char* kOscPort = "OSC Port";
// Sender threads finish within milliseconds; a message later than this is lost to the run.
constexpr auto kLateMessageWait = std::chrono::milliseconds(300);

// The demo settings, then the user's, then the listener's address.
std::vector<ParameterAssignment> ResolveSettings(const ParameterTable& table,
                                                 const Options& options,
                                                 const testhost::OscReceiver* receiver)
{
    std::vector<std::string> settings;
    if (!options.pluginDefaults)
        settings.assign(kDemoSettings.begin(), kDemoSettings.end());
    settings.insert(settings.end(), options.settings.begin(), options.settings.end());
    std::vector<ParameterAssignment> assignments;
    for (const std::string& setting : settings)
        assignments.push_back(ResolveAssignment(table, setting));
    if (!receiver)
        return assignments;
    for (const ParameterAssignment& assignment : assignments)
    {
        const std::string& name = assignment.parameter->name;
        if (name == kOscHost || name == kOscPort)
            throw UsageError(Quoted(name) + " points at the stand-in's own port; add --no-listen "
                                            "to send to another host");
    }
    if (!FindParameter(table, kOscHost) || !FindParameter(table, kOscPort))
        throw UsageError("the plug-in has no \"OSC Host\" and \"OSC Port\" to point at the "
                         "stand-in; run it with --no-listen");
    assignments.push_back(ResolveAssignment(table, std::string(kOscHost) + "=" + receiver->Host()));
    assignments.push_back(
        ResolveAssignment(table, std::string(kOscPort) + "=" + std::to_string(receiver->Port())));
    return assignments;
}

// How the playhead ran, for the summary's frames line.
std::string PlayedMotion(const Options& options)
{
    std::string text;
    const double out = options.outPoint.value_or(options.clipSeconds);
    if (options.inPoint > 0.0 || out < options.clipSeconds)
        text += FormatText(", from %.3f to %.3f s of it", options.inPoint, out);
    if (options.direction != PlayDirection::Forward)
        text += ", " + std::string(DirectionName(options.direction));
    if (options.direction == PlayDirection::PingPong)
        text += FormatText(" (%.3f s of clip up and down)", 2.0 * (out - options.inPoint));
    if (options.speed != 1.0)
        text += FormatText(" at %gx", options.speed);
    for (const SpeedChange& change : options.speedChanges)
        text += FormatText(", %gx from %.3f s", change.speed, change.at);
    for (const StepBack& back : options.stepBacks)
        text += FormatText(", the clip's clock %g ms back at %.3f s", back.milliseconds, back.at);
    if (options.holdSeconds > 0.0)
        text += FormatText(", each held at host time 0 for %.3f s first", options.holdSeconds);
    return text;
}

// The frames and calls left out or late, for the summary's frames line.
std::string PlayedGaps(const Options& options)
{
    std::string text;
    if (options.pauseAt)
        text += FormatText(", a pause of %.3f s at %.3f s", options.pauseSeconds, *options.pauseAt);
    if (options.stallAt)
        text += FormatText(", a stall of %.3f s at %.3f s with the clip's time running on",
                           options.stallSeconds, *options.stallAt);
    if (options.hideAt)
        text +=
            FormatText(", the layer hidden for %.3f s at %.3f s with the clip's time running on",
                       options.hideSeconds, *options.hideAt);
    if (options.callJitterMs > 0.0)
        text += FormatText(", SetTime up to %g ms after its time's moment", options.callJitterMs);
    return text;
}

// What was played, for the summary's frames line.
std::string Played(const Options& options, const RunRecord& record)
{
    const std::size_t clips = record.clipStarts.size();
    std::string text =
        FormatText("%zu clip%s of %.3f s at %g frames/s, %ux%u", clips, clips == 1 ? "" : "s",
                   options.clipSeconds, options.fps, options.width, options.height);
    text += PlayedMotion(options) + PlayedGaps(options);
    text += FormatText(", %g BPM", options.tempo);
    for (const TempoChange& change : options.tempoChanges)
        text += FormatText(", %g BPM from %.3f s into each clip", change.bpm, change.at);
    if (Interrupted())
        text += ", then interrupted";
    return text;
}

void PrintExpectations(Console& console, const std::vector<Expectation>& expectations)
{
    if (expectations.empty())
        console.Detail("expect    no message: every one is switched off");
    for (const Expectation& expectation : expectations)
        console.Detail(FormatText(
            "expect    %-19s %s%s  %s after each clip start (%s)", expectation.label.c_str(),
            expectation.addressIsEnding ? "..." : "", expectation.address.c_str(),
            DelayText(expectation).c_str(), expectation.delayParameter.c_str()));
}

struct Prepared
{
    const testhost::PluginLibrary& plugin;
    const ParameterTable& table;
    const std::vector<ParameterAssignment>& assignments;
    ClipPlan plan;
};

void WriteReportTo(const std::string& path, const RunRecord& record,
                   const std::vector<Expectation>& expectations, const MessageCheck* check,
                   int status)
{
    if (path == "-")
    {
        WriteReport(std::cout, record, expectations, check, status);
        return;
    }
    std::ofstream file(path);
    WriteReport(file, record, expectations, check, status);
}

// After the play: the pass-through check, the message check, the summary and the report.
int Conclude(const Options& options, const RunRecord& record,
             const std::vector<Expectation>& expectations, bool listening,
             const testhost::RenderTarget& target, const InputFeed& feed, Console& console)
{
    bool passed = true;
    if (!options.pngPath.empty())
        passed = CheckOutputFrame(options.pngPath, target, feed.Current(), console);
    const std::optional<MessageCheck> check =
        listening ? std::optional(CheckMessages(record, expectations)) : std::nullopt;
    passed = passed && (!check || check->Passed());
    const int status = Interrupted() ? InterruptedExitStatus()
                       : passed      ? kExitOk
                                     : kExitCheckFailed;
    PrintSummary(console, record, expectations, check ? &*check : nullptr, Played(options, record));
    if (!options.reportPath.empty())
        WriteReportTo(options.reportPath, record, expectations, check ? &*check : nullptr, status);
    return status;
}

// Everything that needs the GL context, from instantiation to the summary.
int PlayInstance(const Options& options, const Prepared& prepared,
                 std::optional<testhost::OscReceiver> receiver, Console& console)
{
    const HostGl gl(options.glx);
    console.Detail("GL        " + gl.Describe());
    const testhost::RenderTarget target(options.width, options.height);
    if (!target.IsComplete())
        throw std::runtime_error("the GL framebuffer to render into is incomplete");
    InputFeed feed(options.width, options.height);
    const testhost::PluginInstance instance(prepared.plugin, {0, 0, options.width, options.height});
    for (const ParameterAssignment& assignment : prepared.assignments)
        ApplyAssignment(prepared.plugin, instance.Id(), assignment);
    for (const std::string& line : ParameterLines(prepared.plugin, instance.Id(), prepared.table))
    {
        if (options.list)
            console.Line(line);
        else
            console.Detail(line);
    }
    if (options.list)
        return kExitOk;

    const bool listening = receiver.has_value();
    const std::vector<Expectation> expectations =
        ReadExpectations(prepared.plugin, instance.Id(), prepared.table, prepared.assignments);
    PrintExpectations(console, expectations);
    RunRecord record;
    StatusWatcher watcher(prepared.plugin, instance.Id(), prepared.table);
    MessageListener listener(std::move(receiver), console, record);
    console.Status("[setup] Status: " + watcher.Shown());
    ClipPlayer(ClipStage{prepared.plugin, instance.Id(), feed, watcher, listener, console, record},
               prepared.plan)
        .Play();
    listener.WaitUntil(Clock::now() + kLateMessageWait);
    return Conclude(options, record, expectations, listening, target, feed, console);
}

// Before anything is loaded, so that a mistyped path costs no run.
void CheckOutputPaths(const Options& options)
{
    if (!options.pngPath.empty())
        RequireWritable("--png", options.pngPath);
    if (!options.reportPath.empty() && options.reportPath != "-")
        RequireWritable("--report", options.reportPath);
}

int Run(const Options& options, Console& console)
{
    CheckOutputPaths(options);
    const std::string path = ResolvePluginPath(options.pluginPath);
    const auto plugin = LoadPlugin(path);
    const HostLogPrinter logPrinter(*plugin, console);
    console.Detail("plug-in   " + DescribePlugin(*plugin) + ": " + path);
    const ParameterTable table = ReadParameterTable(*plugin);
    std::optional<testhost::OscReceiver> receiver;
    if (options.listen)
        receiver = OpenReceiver(ListenAddress{testhost::Loopback::IPv4, options.port});
    const std::vector<ParameterAssignment> assignments =
        ResolveSettings(table, options, receiver ? &*receiver : nullptr);
    const Prepared prepared{*plugin, table, assignments, MakePlan(options, table)};
    if (receiver)
        console.Detail(FormatText("OSC       listening at %s:%u; \"OSC Host\" and \"OSC Port\" "
                                  "point here",
                                  receiver->Host(), unsigned{receiver->Port()}));
    const int status = PlayInstance(options, prepared, std::move(receiver), console);
    plugin->Deinitialise();
    return status;
}

int PrintVersions(const Options& options)
{
    std::printf("vendrolix-host %s\n", VDRX_VERSION);
    std::fflush(stdout);
    const std::string path = ResolvePluginPath(options.pluginPath);
    const auto plugin = LoadPlugin(path);
    std::printf("plug-in        %s: %s\n", DescribePlugin(*plugin).c_str(), path.c_str());
    return kExitOk;
}

} // namespace
} // namespace standin

int main(int argc, char** argv)
{
    using namespace standin;
    try
    {
        const std::vector<const char*> arguments(argv + 1, argv + argc);
        const Options options = ParseOptions(arguments);
        if (options.help)
        {
            std::fputs(HelpText(DefaultPluginPath()).c_str(), stdout);
            return kExitOk;
        }
        if (options.version)
            return PrintVersions(options);
        CatchInterruptions();
        // With the report on standard output, the console moves to standard error.
        std::FILE* out = options.reportPath == "-" ? stderr : stdout;
        Console console(out, isatty(fileno(out)) != 0, options.quiet);
        if (options.listenOnly)
            return ListenOnly(*options.listenOnly, console);
        return Run(options, console);
    }
    catch (const UsageError& error)
    {
        std::fprintf(stderr, "vendrolix-host: %s\nTry 'vendrolix-host --help'.\n", error.what());
        return kExitUsage;
    }
    catch (const std::exception& error)
    {
        std::fprintf(stderr, "vendrolix-host: %s\n", error.what());
        return kExitCannotRun;
    }
}
