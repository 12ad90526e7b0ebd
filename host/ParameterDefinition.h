// One entry of a plug-in's parameter registry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ffgl
{

struct ParameterElement
{
    std::string name;
    float value = 0.0f;
};

struct ParameterDefinition
{
    std::uint32_t index = 0;
    std::string name;
    std::string displayName;
    std::uint32_t type = 0;
    std::vector<ParameterElement> elements{ParameterElement{}};
    std::vector<std::uint32_t> valueList;
    std::uint32_t attribute = 0;
    bool flag = true;
    float minimum = 0.0f;
    float maximum = 1.0f;
    float defaultValue = 0.0f;
    std::string defaultText;
    std::vector<std::string> textList;
    std::uint64_t eventFlags = 0;
    std::string extraText;
};

} // namespace ffgl
