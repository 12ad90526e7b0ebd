// The parameters a plug-in declares, as its prototype answers for them: what the stand-in
// lists, and checks settings against before any GL instance exists.
#pragma once

#include "tools/testhost/PluginLibrary.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace standin
{

inline constexpr std::uint32_t kSwitchType = 0;
inline constexpr std::uint32_t kEventType = 1;
inline constexpr std::uint32_t kStandardType = 10;
inline constexpr std::uint32_t kTextValuedType = 14;
inline constexpr std::uint32_t kTextType = 100;

struct ParameterInfo
{
    std::uint32_t index = 0;
    std::string name;
    std::uint32_t type = kStandardType;
    float defaultValue = 0.0f; // numeric types
    std::string defaultText;   // text types
    float minimum = 0.0f;
    float maximum = 1.0f;
};

using ParameterTable = std::vector<ParameterInfo>;

bool IsTextType(std::uint32_t type);
// "switch", "event", "standard", "text", or the number.
std::string TypeName(std::uint32_t type);

ParameterTable ReadParameterTable(const testhost::PluginLibrary& plugin);
// Null when the plug-in has no parameter of that exact name.
const ParameterInfo* FindParameter(const ParameterTable& table, std::string_view name);

} // namespace standin
