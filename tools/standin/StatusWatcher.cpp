#include "tools/standin/StatusWatcher.h"

namespace standin
{
namespace
{
constexpr std::uint64_t kValueChanged = 0x4;

std::optional<std::uint32_t> IndexOf(const ParameterTable& table, std::string_view name)
{
    const ParameterInfo* info = FindParameter(table, name);
    return info ? std::optional(info->index) : std::nullopt;
}
} // namespace

StatusWatcher::StatusWatcher(const testhost::PluginLibrary& plugin, void* pluginInstance,
                             const ParameterTable& table)
    : library(plugin), instance(pluginInstance), statusIndex(IndexOf(table, "Status")),
      startIndex(IndexOf(table, "Duration")), shown(Current())
{
}

Observation StatusWatcher::Collect()
{
    Observation seen;
    bool statusChanged = false;
    for (const testhost::EventEntry& event : library.GetParameterEvents(instance))
    {
        if ((event.bits & kValueChanged) == 0)
            continue;
        statusChanged |= event.parameter == statusIndex;
        seen.started |= event.parameter == startIndex;
    }
    if (statusChanged)
    {
        std::string text = Current();
        if (text != shown)
            seen.status = shown = std::move(text);
    }
    return seen;
}

std::string StatusWatcher::Current() const
{
    if (!statusIndex)
        return {};
    const char* text = library.GetParameterDisplay(instance, *statusIndex);
    return text ? text : "";
}

} // namespace standin
