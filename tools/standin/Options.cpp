#include "tools/standin/Options.h"

#include "tools/standin/NumberText.h"
#include "tools/standin/TextFormat.h"
#include "tools/standin/UsageError.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace standin
{
namespace
{

double NumberIn(std::string_view option, std::string_view text, double low, double high)
{
    const std::optional<double> value = ParseNumber(text);
    if (!value || *value < low || *value > high)
        throw UsageError(std::string(option) + " takes a number from " + FormatNumber(low) +
                         " to " + FormatNumber(high) + ", not " + Quoted(text));
    return *value;
}

int WholeNumberIn(std::string_view option, std::string_view text, int low, int high)
{
    const double value = NumberIn(option, text, low, high);
    if (value != std::floor(value))
        throw UsageError(std::string(option) + " takes a whole number, not " + Quoted(text));
    return static_cast<int>(value);
}

// "640x360"
void ParseSize(Options& options, std::string_view text)
{
    const std::size_t x = text.find('x');
    if (x == std::string_view::npos)
        throw UsageError("--size takes WIDTHxHEIGHT, not " + Quoted(text));
    options.width = static_cast<std::uint32_t>(WholeNumberIn("--size", text.substr(0, x), 1, 4096));
    options.height =
        static_cast<std::uint32_t>(WholeNumberIn("--size", text.substr(x + 1), 1, 4096));
}

PlayDirection DirectionIn(std::string_view text)
{
    const std::optional<PlayDirection> direction = ParseDirection(text);
    if (!direction)
        throw UsageError("--direction takes forward, reverse or pingpong, not " + Quoted(text));
    return *direction;
}

// "AT:VALUE": from AT seconds (of play, or into each clip), VALUE within [low, high].
struct TimedValue
{
    double at = 0.0;
    double value = 0.0;
};

TimedValue TimedIn(std::string_view option, std::string_view form, std::string_view text,
                   double low, double high)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        throw UsageError(std::string(option) + " takes " + std::string(form) + ", not " +
                         Quoted(text));
    return {NumberIn(option, text.substr(0, colon), 0, 1e6),
            NumberIn(option, text.substr(colon + 1), low, high)};
}

// "1.5:0.6": from 1.5 s of play, 0.6 s without frames.
void ParseStall(Options& options, std::string_view text)
{
    const TimedValue stall = TimedIn("--stall", "AT:SECONDS", text, 0, 60);
    options.stallAt = stall.at;
    options.stallSeconds = stall.value;
}

// "2.5:2.5": from 2.5 s of play, 2.5 s with the layer hidden.
void ParseHide(Options& options, std::string_view text)
{
    const TimedValue hide = TimedIn("--hide", "AT:SECONDS", text, 0, 600);
    options.hideAt = hide.at;
    options.hideSeconds = hide.value;
}

// The tempos the plug-in takes.
constexpr double kSlowestBpm = 1.0;
constexpr double kFastestBpm = 999.0;
// The speeds hosts play clips at.
constexpr double kSlowestSpeed = 0.25;
constexpr double kFastestSpeed = 8.0;

// "2:140": from 2 s into each clip, 140 BPM.
void ParseTempoChange(Options& options, std::string_view text)
{
    const TimedValue change = TimedIn("--tempo-change", "AT:BPM", text, kSlowestBpm, kFastestBpm);
    options.tempoChanges.push_back(TempoChange{change.at, change.value});
}

// "1.5:4": from 1.5 s of play, 4 clip seconds per second.
void ParseSpeedChange(Options& options, std::string_view text)
{
    const TimedValue change = TimedIn("--speed-change", "AT:X", text, kSlowestSpeed, kFastestSpeed);
    options.speedChanges.push_back(SpeedChange{change.at, change.value});
}

// "1.0:2.5": at 1 s of play, the clip clock 2.5 ms back.
void ParseStepBack(Options& options, std::string_view text)
{
    const TimedValue back = TimedIn("--step-back", "AT:MS", text, 0, 1000);
    options.stepBacks.push_back(StepBack{back.at, back.value});
}

// Of two at one moment, the later given wins.
template <typename Timed> void SortByMoment(std::vector<Timed>& values)
{
    std::stable_sort(values.begin(), values.end(),
                     [](const Timed& a, const Timed& b) { return a.at < b.at; });
}

// "9000", "127.0.0.1:9000", "::1:9000" or "[::1]:9000": loopback only, as the receiver is.
ListenAddress ParseListenAddress(std::string_view text)
{
    const std::size_t colon = text.rfind(':');
    const std::string_view address =
        colon == std::string_view::npos ? "127.0.0.1" : text.substr(0, colon);
    ListenAddress listen;
    listen.port = static_cast<std::uint16_t>(
        WholeNumberIn("--listen-only",
                      colon == std::string_view::npos ? text : text.substr(colon + 1), 1, 65535));
    if (address == "::1" || address == "[::1]")
        listen.loopback = testhost::Loopback::IPv6;
    else if (address != "127.0.0.1")
        throw UsageError("--listen-only listens on 127.0.0.1 or ::1 only, not " + Quoted(address));
    return listen;
}

// What an option needs, so that options which have no effect together are refused.
enum Role : unsigned
{
    kAlone = 0,
    kPluginFile = 1, // names the plug-in
    kPlugin = 2,     // acts on the loaded plug-in's instance
    kPlay = 4,       // shapes or records the play
};

using Apply = void (*)(Options&, std::string_view value);

struct KnownOption
{
    std::string_view name;
    bool takesValue;
    unsigned role;
    Apply apply;
};

constexpr KnownOption kOptions[] = {
    {"--help", false, kAlone, [](Options& o, std::string_view) { o.help = true; }},
    {"-h", false, kAlone, [](Options& o, std::string_view) { o.help = true; }},
    {"--version", false, kAlone, [](Options& o, std::string_view) { o.version = true; }},
    {"--quiet", false, kAlone, [](Options& o, std::string_view) { o.quiet = true; }},
    {"--listen-only", true, kAlone,
     [](Options& o, std::string_view v) { o.listenOnly = ParseListenAddress(v); }},
    {"--list", false, kPlugin, [](Options& o, std::string_view) { o.list = true; }},
    {"--plugin", true, kPluginFile, [](Options& o, std::string_view v) { o.pluginPath = v; }},
    {"--glx", false, kPlugin, [](Options& o, std::string_view) { o.glx = true; }},
    {"--size", true, kPlugin, [](Options& o, std::string_view v) { ParseSize(o, v); }},
    {"--fps", true, kPlay,
     [](Options& o, std::string_view v) { o.fps = NumberIn("--fps", v, 1, 240); }},
    {"--clip", true, kPlay,
     [](Options& o, std::string_view v) { o.clipSeconds = NumberIn("--clip", v, 0.1, 3600); }},
    {"--in", true, kPlay,
     [](Options& o, std::string_view v) { o.inPoint = NumberIn("--in", v, 0, 3600); }},
    {"--out", true, kPlay,
     [](Options& o, std::string_view v) { o.outPoint = NumberIn("--out", v, 0, 3600); }},
    {"--speed", true, kPlay,
     [](Options& o, std::string_view v)
     { o.speed = NumberIn("--speed", v, kSlowestSpeed, kFastestSpeed); }},
    {"--speed-change", true, kPlay, [](Options& o, std::string_view v) { ParseSpeedChange(o, v); }},
    {"--direction", true, kPlay,
     [](Options& o, std::string_view v) { o.direction = DirectionIn(v); }},
    {"--loops", true, kPlay,
     [](Options& o, std::string_view v) { o.loops = WholeNumberIn("--loops", v, 0, 1000); }},
    {"--hold-zero", true, kPlay,
     [](Options& o, std::string_view v) { o.holdSeconds = NumberIn("--hold-zero", v, 0, 60); }},
    {"--pause-at", true, kPlay,
     [](Options& o, std::string_view v) { o.pauseAt = NumberIn("--pause-at", v, 0, 1e6); }},
    {"--pause-for", true, kPlay,
     [](Options& o, std::string_view v) { o.pauseSeconds = NumberIn("--pause-for", v, 0, 60); }},
    {"--stall", true, kPlay, [](Options& o, std::string_view v) { ParseStall(o, v); }},
    {"--hide", true, kPlay, [](Options& o, std::string_view v) { ParseHide(o, v); }},
    {"--call-jitter", true, kPlay,
     [](Options& o, std::string_view v) { o.callJitterMs = NumberIn("--call-jitter", v, 0, 20); }},
    {"--step-back", true, kPlay, [](Options& o, std::string_view v) { ParseStepBack(o, v); }},
    {"--test-at", true, kPlay,
     [](Options& o, std::string_view v) { o.testAt.push_back(NumberIn("--test-at", v, 0, 1e6)); }},
    {"--tempo", true, kPlay,
     [](Options& o, std::string_view v)
     { o.tempo = NumberIn("--tempo", v, kSlowestBpm, kFastestBpm); }},
    {"--tempo-change", true, kPlay, [](Options& o, std::string_view v) { ParseTempoChange(o, v); }},
    {"--set", true, kPlugin, [](Options& o, std::string_view v) { o.settings.emplace_back(v); }},
    {"--plugin-defaults", false, kPlugin,
     [](Options& o, std::string_view) { o.pluginDefaults = true; }},
    {"--no-listen", false, kPlugin, [](Options& o, std::string_view) { o.listen = false; }},
    {"--port", true, kPlugin,
     [](Options& o, std::string_view v)
     { o.port = static_cast<std::uint16_t>(WholeNumberIn("--port", v, 1, 65535)); }},
    {"--png", true, kPlay, [](Options& o, std::string_view v) { o.pngPath = v; }},
    {"--report", true, kPlay, [](Options& o, std::string_view v) { o.reportPath = v; }},
};

// An option that makes the others of some roles pointless.
struct Exclusive
{
    std::string_view name;
    unsigned refuses;
    std::string_view why;
};

constexpr Exclusive kExclusives[] = {
    {"--listen-only", kPluginFile | kPlugin | kPlay, "it loads no plug-in"},
    {"--version", kPlugin | kPlay, "it only prints the versions"},
    {"--list", kPlay, "it lists the parameters and plays nothing"},
};

const KnownOption& FindOption(std::string_view name)
{
    for (const KnownOption& known : kOptions)
    {
        if (known.name == name)
            return known;
    }
    if (!name.starts_with("-"))
        throw UsageError("unexpected argument " + Quoted(name));
    throw UsageError("unknown option " + std::string(name));
}

void CheckCombination(const std::vector<const KnownOption*>& given)
{
    const auto has = [&given](std::string_view name)
    {
        return std::any_of(given.begin(), given.end(),
                           [name](const KnownOption* option) { return option->name == name; });
    };
    for (const Exclusive& exclusive : kExclusives)
    {
        if (!has(exclusive.name))
            continue;
        for (const KnownOption* option : given)
        {
            if ((option->role & exclusive.refuses) != 0)
                throw UsageError(std::string(option->name) + " has no effect with " +
                                 std::string(exclusive.name) + ": " + std::string(exclusive.why));
        }
    }
    if (has("--port") && has("--no-listen"))
        throw UsageError("--port has no effect with --no-listen: nothing listens");
    if (has("--pause-for") && !has("--pause-at"))
        throw UsageError("--pause-for has no effect without --pause-at");
}

} // namespace

Options ParseOptions(std::span<const char* const> arguments)
{
    Options options;
    std::vector<const KnownOption*> given;
    for (std::size_t i = 0; i < arguments.size(); ++i)
    {
        const std::string_view argument = arguments[i];
        // Both "--fps 30" and "--fps=30".
        const std::size_t equals = argument.find('=');
        const KnownOption& known = FindOption(argument.substr(0, equals));
        std::string_view value;
        if (equals != std::string_view::npos)
        {
            if (!known.takesValue)
                throw UsageError(std::string(known.name) + " takes no value");
            value = argument.substr(equals + 1);
        }
        else if (known.takesValue)
        {
            if (i + 1 == arguments.size())
                throw UsageError(std::string(known.name) + " needs a value");
            value = arguments[++i];
        }
        known.apply(options, value);
        given.push_back(&known);
    }
    if (!options.help)
        CheckCombination(given);
    std::sort(options.testAt.begin(), options.testAt.end());
    SortByMoment(options.tempoChanges);
    SortByMoment(options.speedChanges);
    SortByMoment(options.stepBacks);
    return options;
}

std::vector<std::string_view> OptionNames()
{
    std::vector<std::string_view> names;
    for (const KnownOption& known : kOptions)
        names.push_back(known.name);
    return names;
}

} // namespace standin
