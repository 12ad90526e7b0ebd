#include "tools/standin/PluginLoader.h"

#include "tools/standin/TextFormat.h"

#include <stdexcept>

namespace standin
{
namespace
{

constexpr std::uint32_t kApiMajor = 2;

// The record's fixed-size text fields carry no terminator when full.
std::string FieldText(const std::uint8_t* field, std::size_t size)
{
    std::string text;
    for (std::size_t i = 0; i < size && field[i] != 0; ++i)
        text += static_cast<char>(field[i]);
    return text;
}

[[noreturn]] void NotAPlugin(const std::string& path, const std::string& why)
{
    throw std::runtime_error(
        FormatText("%s is not an FFGL %u plug-in: %s", path.c_str(), kApiMajor, why.c_str()));
}

} // namespace

std::unique_ptr<testhost::PluginLibrary> LoadPlugin(const std::string& path)
{
    std::unique_ptr<testhost::PluginLibrary> plugin;
    try
    {
        plugin = std::make_unique<testhost::PluginLibrary>(path);
    }
    catch (const std::runtime_error& error)
    {
        NotAPlugin(path, error.what());
    }
    const testhost::InfoRecord* info = plugin->GetInfo();
    if (!info)
        NotAPlugin(path, "it answers no plug-in information");
    if (info->apiMajor != kApiMajor)
        NotAPlugin(path, FormatText("it speaks FFGL %u.%u", info->apiMajor, info->apiMinor));
    return plugin;
}

std::string DescribePlugin(const testhost::PluginLibrary& plugin)
{
    const testhost::InfoRecord& info = *plugin.GetInfo();
    const testhost::ExtendedInfoRecord* extended = plugin.GetExtendedInfo();
    const std::string version =
        extended ? FormatText(" %u.%u", extended->versionMajor, extended->versionMinor) : "";
    const std::string kind =
        info.type == 0 ? std::string("effect") : FormatText("plug-in of type %u", info.type);
    return FormatText("%s (%s)%s, FFGL %u.%u %s", FieldText(info.name, sizeof info.name).c_str(),
                      FieldText(info.id, sizeof info.id).c_str(), version.c_str(), info.apiMajor,
                      info.apiMinor, kind.c_str());
}

} // namespace standin
