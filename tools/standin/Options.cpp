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

using Apply = void (*)(Options&, std::string_view value);

struct KnownOption
{
    std::string_view name;
    bool takesValue;
    Apply apply;
};

constexpr KnownOption kOptions[] = {
    {"--help", false, [](Options& o, std::string_view) { o.help = true; }},
    {"--list", false, [](Options& o, std::string_view) { o.list = true; }},
    {"--plugin", true, [](Options& o, std::string_view v) { o.pluginPath = v; }},
    {"--glx", false, [](Options& o, std::string_view) { o.glx = true; }},
    {"--size", true, [](Options& o, std::string_view v) { ParseSize(o, v); }},
    {"--fps", true, [](Options& o, std::string_view v) { o.fps = NumberIn("--fps", v, 1, 240); }},
    {"--clip", true,
     [](Options& o, std::string_view v) { o.clipSeconds = NumberIn("--clip", v, 0.1, 3600); }},
    {"--loops", true,
     [](Options& o, std::string_view v) { o.loops = WholeNumberIn("--loops", v, 1, 1000); }},
    {"--pause-at", true,
     [](Options& o, std::string_view v) { o.pauseAt = NumberIn("--pause-at", v, 0, 1e6); }},
    {"--pause-for", true,
     [](Options& o, std::string_view v) { o.pauseSeconds = NumberIn("--pause-for", v, 0, 60); }},
    {"--test-at", true,
     [](Options& o, std::string_view v) { o.testAt.push_back(NumberIn("--test-at", v, 0, 1e6)); }},
    {"--set", true, [](Options& o, std::string_view v) { o.settings.emplace_back(v); }},
    {"--plugin-defaults", false, [](Options& o, std::string_view) { o.pluginDefaults = true; }},
    {"--no-listen", false, [](Options& o, std::string_view) { o.listen = false; }},
    {"--port", true,
     [](Options& o, std::string_view v)
     { o.port = static_cast<std::uint16_t>(WholeNumberIn("--port", v, 1, 65535)); }},
    {"--png", true, [](Options& o, std::string_view v) { o.pngPath = v; }},
    {"--report", true, [](Options& o, std::string_view v) { o.reportPath = v; }},
};

const KnownOption& FindOption(std::string_view name)
{
    for (const KnownOption& known : kOptions)
    {
        if (known.name == name)
            return known;
    }
    if (!name.starts_with("--"))
        throw UsageError("unexpected argument " + Quoted(name));
    throw UsageError("unknown option " + std::string(name));
}

} // namespace

Options ParseOptions(std::span<const char* const> arguments)
{
    Options options;
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
    }
    std::sort(options.testAt.begin(), options.testAt.end());
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
