// The stand-in's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace standin
{

struct Options
{
    bool help = false;
    bool list = false;

    std::string pluginPath; // empty: DefaultPluginPath()
    bool glx = false;
    std::uint32_t width = 320;
    std::uint32_t height = 180;

    double fps = 60.0;
    double clipSeconds = 3.0;
    int loops = 2;
    std::optional<double> pauseAt; // seconds of play, not counting the pause
    double pauseSeconds = 0.6;
    std::vector<double> testAt; // seconds of play, ascending

    bool pluginDefaults = false;       // skip the demo settings
    std::vector<std::string> settings; // NAME=VALUE, in command-line order

    bool listen = true;
    std::uint16_t port = 0; // 0: any free port

    std::string pngPath;
    std::string reportPath;
};

// The arguments after the program name. Throws UsageError for an unknown option, a missing or
// malformed value, or a value out of its range.
Options ParseOptions(std::span<const char* const> arguments);

// Every option ParseOptions knows, "--help" included.
std::vector<std::string_view> OptionNames();

} // namespace standin
