#include "ffgl/FFGLPluginManager.h"

#include <algorithm>
#include <utility>

using ffgl::FFMixed;
using ffgl::kFailure;
using ffgl::ParameterDefinition;

CFFGLPluginManager::CFFGLPluginManager(bool supportsCapability16)
    : capability16Supported(supportsCapability16)
{
}

CFFGLPluginManager::~CFFGLPluginManager() = default;

// Lookups take the first definition with the index, in insertion order.
const ParameterDefinition* CFFGLPluginManager::Find(std::uint32_t index) const
{
    auto it = std::find_if(registry.begin(), registry.end(),
                           [index](const ParameterDefinition& d) { return d.index == index; });
    return it == registry.end() ? nullptr : &*it;
}

ParameterDefinition* CFFGLPluginManager::Find(std::uint32_t index)
{
    return const_cast<ParameterDefinition*>(std::as_const(*this).Find(index));
}

void CFFGLPluginManager::AddParameter(std::uint32_t index, const char* name, std::uint32_t type,
                                      float defaultValue)
{
    ParameterDefinition definition;
    definition.index = index;
    definition.name = name ? name : "";
    definition.type = type;
    definition.defaultValue = type == ffgl::ParameterType::Standard
                                  ? std::max(0.0f, std::min(1.0f, defaultValue))
                                  : defaultValue;
    registry.push_back(std::move(definition));
}

void CFFGLPluginManager::AddTextParameter(std::uint32_t index, const char* name, std::uint32_t type,
                                          const char* defaultText)
{
    ParameterDefinition definition;
    definition.index = index;
    definition.name = name ? name : "";
    definition.type = type;
    definition.defaultText = defaultText ? defaultText : "";
    registry.push_back(std::move(definition));
}

void CFFGLPluginManager::SetParameterRange(std::uint32_t index, float minimum, float maximum)
{
    if (auto* definition = Find(index))
    {
        definition->minimum = minimum;
        definition->maximum = maximum;
    }
}

void CFFGLPluginManager::SetParameterDisplayName(std::uint32_t index, std::string displayName,
                                                 bool notify)
{
    auto* definition = Find(index);
    if (!definition)
        return;
    std::string old = std::exchange(definition->displayName, std::move(displayName));
    if (notify && old != definition->displayName)
        definition->eventFlags.Raise(ffgl::EventBit::DisplayNameChanged);
}

void CFFGLPluginManager::RaiseParameterEvents(std::uint32_t index, std::uint64_t bits)
{
    if (auto* definition = Find(index))
        definition->eventFlags.Raise(bits);
}

std::uint32_t CFFGLPluginManager::GetNumParams() const
{
    return static_cast<std::uint32_t>(registry.size());
}

const char* CFFGLPluginManager::GetParamName(std::uint32_t index) const
{
    const auto* definition = Find(index);
    return definition ? definition->name.c_str() : nullptr;
}

std::uint32_t CFFGLPluginManager::GetParamType(std::uint32_t index) const
{
    const auto* definition = Find(index);
    return definition ? definition->type : kFailure;
}

FFMixed CFFGLPluginManager::GetParamDefault(std::uint32_t index) const
{
    const auto* definition = Find(index);
    if (!definition)
        return ffgl::MixedFromUint(kFailure);
    if (ffgl::IsTextType(definition->type))
        return ffgl::MixedFromPointer(definition->defaultText.c_str());
    return ffgl::MixedFromFloat(definition->defaultValue);
}

void CFFGLPluginManager::GetParamRange(std::uint32_t index, float& minimum, float& maximum) const
{
    const auto* definition = Find(index);
    minimum = definition ? definition->minimum : 0.0f;
    maximum = definition ? definition->maximum : 1.0f;
}

std::uint32_t CFFGLPluginManager::GetNumParamElements(std::uint32_t index) const
{
    const auto* definition = Find(index);
    return definition ? static_cast<std::uint32_t>(definition->elements.size()) : kFailure;
}

const char* CFFGLPluginManager::GetParamElementName(std::uint32_t index,
                                                    std::uint32_t element) const
{
    const auto* definition = Find(index);
    if (!definition || element >= definition->elements.size())
        return nullptr;
    return definition->elements[element].name.c_str();
}

FFMixed CFFGLPluginManager::GetParamElementValue(std::uint32_t index, std::uint32_t element) const
{
    const auto* definition = Find(index);
    if (!definition || element >= definition->elements.size())
        return ffgl::MixedFromUint(kFailure);
    return ffgl::MixedFromFloat(definition->elements[element].value);
}

std::uint32_t CFFGLPluginManager::SetParamElementValue(std::uint32_t index, std::uint32_t element,
                                                       float value)
{
    auto* definition = Find(index);
    if (!definition || element >= definition->elements.size())
        return kFailure;
    definition->elements[element].value = value;
    return ffgl::kSuccess;
}

std::uint32_t CFFGLPluginManager::GetParamAttribute(std::uint32_t index) const
{
    const auto* definition = Find(index);
    return definition ? definition->attribute : kFailure;
}

std::uint32_t CFFGLPluginManager::GetParamFlag(std::uint32_t index) const
{
    const auto* definition = Find(index);
    if (!definition)
        return kFailure;
    return definition->flag ? 1u : 0u;
}

std::uint32_t CFFGLPluginManager::GetNumParamTexts(std::uint32_t index) const
{
    const auto* definition = Find(index);
    return definition ? static_cast<std::uint32_t>(definition->textList.size()) : 0u;
}

const char* CFFGLPluginManager::GetParamTextItem(std::uint32_t index, std::uint32_t item) const
{
    const auto* definition = Find(index);
    if (!definition || item >= definition->textList.size())
        return nullptr;
    return definition->textList[item].c_str();
}

std::uint32_t CFFGLPluginManager::GetNumParamValues(std::uint32_t index) const
{
    const auto* definition = Find(index);
    return definition ? static_cast<std::uint32_t>(definition->valueList.size()) : 0u;
}

std::uint32_t CFFGLPluginManager::GetParamValueItem(std::uint32_t index, std::uint32_t item) const
{
    const auto* definition = Find(index);
    if (!definition || item >= definition->valueList.size())
        return kFailure;
    return definition->valueList[item];
}

std::string CFFGLPluginManager::GetParamDisplayName(std::uint32_t index) const
{
    const auto* definition = Find(index);
    return definition ? definition->displayName : std::string();
}

std::string CFFGLPluginManager::GetParamExtraText(std::uint32_t index) const
{
    const auto* definition = Find(index);
    return definition ? definition->extraText : std::string();
}

std::uint32_t CFFGLPluginManager::GetNumPendingEvents() const
{
    return static_cast<std::uint32_t>(std::count_if(registry.begin(), registry.end(),
                                                    [](const ParameterDefinition& d)
                                                    { return d.eventFlags.Peek() != 0; }));
}

std::uint32_t CFFGLPluginManager::TakeEvents(ffgl::ParameterEventEntry* entries,
                                             std::uint32_t capacity)
{
    std::uint32_t filled = 0;
    for (auto& definition : registry)
    {
        if (filled >= capacity)
            break;
        const std::uint64_t bits = definition.eventFlags.Take();
        if (bits == 0)
            continue;
        entries[filled].index = definition.index;
        entries[filled].bits = bits;
        ++filled;
    }
    return filled;
}
