#include "tools/standin/ParameterTable.h"

namespace standin
{

bool IsTextType(std::uint32_t type)
{
    return type == kTextType || type == kTextValuedType;
}

std::string TypeName(std::uint32_t type)
{
    switch (type)
    {
    case kSwitchType:
        return "switch";
    case kEventType:
        return "event";
    case kStandardType:
        return "standard";
    case kTextValuedType:
    case kTextType:
        return "text";
    default:
        return "type " + std::to_string(type);
    }
}

ParameterTable ReadParameterTable(const testhost::PluginLibrary& plugin)
{
    ParameterTable table;
    const std::uint32_t count = plugin.GetNumParameters();
    if (count == testhost::kFail)
        return table;
    for (std::uint32_t index = 0; index < count; ++index)
    {
        ParameterInfo info;
        info.index = index;
        const char* name = plugin.GetParameterName(index);
        info.name = name ? name : "";
        info.type = plugin.GetParameterType(index);
        const testhost::Mixed fallback = plugin.GetParameterDefault(index);
        if (IsTextType(info.type))
            info.defaultText = fallback.ptr ? static_cast<const char*>(fallback.ptr) : "";
        else
            info.defaultValue = fallback.f32;
        const testhost::RangeInOut range = plugin.GetParameterRange(index);
        info.minimum = range.min;
        info.maximum = range.max;
        table.push_back(std::move(info));
    }
    return table;
}

const ParameterInfo* FindParameter(const ParameterTable& table, std::string_view name)
{
    for (const ParameterInfo& info : table)
    {
        if (info.name == name)
            return &info;
    }
    return nullptr;
}

} // namespace standin
