#include "tools/standin/ParameterListing.h"

#include "tools/standin/NumberText.h"
#include "tools/standin/TextFormat.h"

namespace standin
{
namespace
{

std::string DefaultText(const ParameterInfo& info)
{
    if (IsTextType(info.type))
        return Quoted(info.defaultText);
    if (info.type == kSwitchType)
        return info.defaultValue >= 0.5f ? "on" : "off";
    return FormatNumber(static_cast<double>(info.defaultValue));
}

// Switches and texts have no range worth showing.
std::string RangeText(const ParameterInfo& info)
{
    if (IsTextType(info.type) || info.type == kSwitchType)
        return "-";
    return FormatNumber(static_cast<double>(info.minimum)) + " .. " +
           FormatNumber(static_cast<double>(info.maximum));
}

std::string DisplayText(const testhost::PluginLibrary& plugin, void* instance,
                        const ParameterInfo& info)
{
    const char* display = plugin.GetParameterDisplay(instance, info.index);
    if (!display)
        return "(none)";
    return IsTextType(info.type) ? Quoted(display) : std::string(display);
}

} // namespace

void PrintParameters(Console& console, const testhost::PluginLibrary& plugin, void* instance,
                     const ParameterTable& table)
{
    console.Line(FormatText("  %3s  %-16s %-9s %-12s %-14s %s", "#", "name", "type", "default",
                            "range", "now"));
    for (const ParameterInfo& info : table)
        console.Line(FormatText("  %3u  %-16s %-9s %-12s %-14s %s", info.index, info.name.c_str(),
                                TypeName(info.type).c_str(), DefaultText(info).c_str(),
                                RangeText(info).c_str(),
                                DisplayText(plugin, instance, info).c_str()));
}

} // namespace standin
