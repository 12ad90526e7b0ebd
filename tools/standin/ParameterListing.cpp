#include "tools/standin/ParameterListing.h"

#include "tools/standin/NumberText.h"
#include "tools/standin/TextFormat.h"

namespace standin
{
namespace
{

// The units of VendrolixPro's numbers, which the standard leaves unsaid; a number without an
// entry shows the plug-in's own display text.
struct NumberUnit
{
    std::string_view name;
    std::string_view unit;   // empty: a plain number
    bool displayedOtherwise; // the plug-in displays it in another unit
};

constexpr NumberUnit kUnits[] = {
    {"Duration", "s", false},       {"Delay", "ms", true},        {"DelayNextClip", "ms", true},
    {"DlayOSCmsg (s)", "ms", true}, {"Layer (0=sel)", "", false},
};

const NumberUnit* FindUnit(const ParameterInfo& info)
{
    for (const NumberUnit& entry : kUnits)
    {
        if (entry.name == info.name)
            return &entry;
    }
    return nullptr;
}

std::string_view UnitOf(const ParameterInfo& info)
{
    const NumberUnit* unit = FindUnit(info);
    return unit ? unit->unit : "";
}

std::string WithUnit(float value, std::string_view unit)
{
    std::string text = FormatNumber(static_cast<double>(value));
    if (!unit.empty())
        text.append(1, ' ').append(unit);
    return text;
}

std::string SwitchText(float value)
{
    return value >= 0.5f ? "on" : "off";
}

std::string DefaultText(const ParameterInfo& info)
{
    if (IsTextType(info.type))
        return Quoted(info.defaultText);
    if (info.type == kSwitchType)
        return SwitchText(info.defaultValue);
    return WithUnit(info.defaultValue, UnitOf(info));
}

// Switches and texts have no range worth showing.
std::string RangeText(const ParameterInfo& info)
{
    if (IsTextType(info.type) || info.type == kSwitchType || info.type == kEventType)
        return "-";
    return FormatNumber(static_cast<double>(info.minimum)) + " .. " +
           WithUnit(info.maximum, UnitOf(info));
}

std::string DisplayText(const testhost::PluginLibrary& plugin, void* instance,
                        const ParameterInfo& info)
{
    const char* display = plugin.GetParameterDisplay(instance, info.index);
    if (!display)
        return "(none)";
    return IsTextType(info.type) ? Quoted(display) : std::string(display);
}

// The value as the instance holds it, with its unit, and how the plug-in displays it where
// that says something else.
std::string NowText(const testhost::PluginLibrary& plugin, void* instance,
                    const ParameterInfo& info)
{
    if (info.type == kEventType)
        return "-";
    if (info.type == kSwitchType)
        return SwitchText(plugin.GetFloatParameter(instance, info.index));
    const NumberUnit* unit = FindUnit(info);
    if (IsTextType(info.type) || !unit)
        return DisplayText(plugin, instance, info);
    const std::string value = WithUnit(plugin.GetFloatParameter(instance, info.index), unit->unit);
    if (!unit->displayedOtherwise)
        return value;
    return value + " (shows " + DisplayText(plugin, instance, info) + ")";
}

} // namespace

std::vector<std::string> ParameterLines(const testhost::PluginLibrary& plugin, void* instance,
                                        const ParameterTable& table)
{
    std::vector<std::string> lines{FormatText("  %3s  %-16s %-9s %-12s %-17s %s", "#", "name",
                                              "type", "default", "range", "now")};
    for (const ParameterInfo& info : table)
        lines.push_back(FormatText("  %3u  %-16s %-9s %-12s %-17s %s", info.index,
                                   info.name.c_str(), TypeName(info.type).c_str(),
                                   DefaultText(info).c_str(), RangeText(info).c_str(),
                                   NowText(plugin, instance, info).c_str()));
    return lines;
}

} // namespace standin
