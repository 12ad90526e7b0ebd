#include "tools/standin/ParameterAssignment.h"

#include "tools/standin/NumberText.h"
#include "tools/standin/TextFormat.h"
#include "tools/standin/UsageError.h"

#include <array>
#include <stdexcept>

namespace standin
{
namespace
{

const ParameterInfo* NamedParameter(const ParameterTable& table, std::string_view setting)
{
    for (const ParameterInfo& info : table)
    {
        if (setting.size() > info.name.size() && setting.starts_with(info.name) &&
            setting[info.name.size()] == '=')
            return &info;
    }
    return nullptr;
}

std::string NameList(const ParameterTable& table)
{
    std::string names;
    for (const ParameterInfo& info : table)
        names += (names.empty() ? "" : ", ") + Quoted(info.name);
    return names;
}

float SwitchValue(const ParameterInfo& parameter, std::string_view text)
{
    constexpr std::array<std::string_view, 4> on = {"on", "true", "yes", "1"};
    constexpr std::array<std::string_view, 4> off = {"off", "false", "no", "0"};
    for (std::size_t i = 0; i < on.size(); ++i)
    {
        if (text == on[i])
            return 1.0f;
        if (text == off[i])
            return 0.0f;
    }
    throw UsageError(Quoted(parameter.name) + " is a switch: give on or off, not " + Quoted(text));
}

float NumberValue(const ParameterInfo& parameter, std::string_view text)
{
    const std::optional<double> value = ParseNumber(text);
    if (!value)
        throw UsageError(Quoted(parameter.name) + " takes a number, not " + Quoted(text));
    const auto minimum = static_cast<double>(parameter.minimum);
    const auto maximum = static_cast<double>(parameter.maximum);
    if (*value < minimum || *value > maximum)
        throw UsageError(Quoted(parameter.name) + " takes " + FormatNumber(minimum) + " to " +
                         FormatNumber(maximum) + ": " + std::string(text) + " is out of range");
    return static_cast<float>(*value);
}

} // namespace

ParameterAssignment ResolveAssignment(const ParameterTable& table, std::string_view setting)
{
    ParameterAssignment assignment;
    assignment.parameter = NamedParameter(table, setting);
    if (!assignment.parameter)
    {
        const std::size_t equals = setting.find('=');
        if (equals == std::string_view::npos)
            throw UsageError("--set takes NAME=VALUE, not " + Quoted(setting));
        throw UsageError("unknown parameter " + Quoted(setting.substr(0, equals)) +
                         "; the plug-in has " + NameList(table));
    }
    const ParameterInfo& parameter = *assignment.parameter;
    const std::string_view value = setting.substr(parameter.name.size() + 1);
    if (IsTextType(parameter.type))
        assignment.text = value;
    else if (parameter.type == kSwitchType)
        assignment.value = SwitchValue(parameter, value);
    else if (parameter.type == kEventType)
        throw UsageError(Quoted(parameter.name) +
                         " is an event: it is pressed, not set (--test-at presses \"Test\")");
    else
        assignment.value = NumberValue(parameter, value);
    return assignment;
}

void ApplyAssignment(const testhost::PluginLibrary& plugin, void* instance,
                     const ParameterAssignment& assignment)
{
    const ParameterInfo& parameter = *assignment.parameter;
    const std::uint32_t result =
        IsTextType(parameter.type)
            ? plugin.SetParameter(instance, parameter.index, assignment.text.c_str())
            : plugin.SetParameter(instance, parameter.index, assignment.value);
    if (result != testhost::kOk)
        throw std::runtime_error("the plug-in refused the value for " + Quoted(parameter.name));
}

} // namespace standin
