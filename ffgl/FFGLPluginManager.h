// The parameter registry and plug-in-level answers that every plug-in object carries.
// Render thread only (the host calls one entry at a time); no locks.
#pragma once

#include "ffgl/FFGLTypes.h"
#include "ffgl/ParameterDefinition.h"

#include <cstdint>
#include <string>
#include <vector>

class CFFGLPluginManager
{
public:
    explicit CFFGLPluginManager(bool supportsCapability16);
    virtual ~CFFGLPluginManager();

    CFFGLPluginManager(const CFFGLPluginManager&) = delete;
    CFFGLPluginManager& operator=(const CFFGLPluginManager&) = delete;

    // Filling, by the plug-in constructor.
    void AddParameter(std::uint32_t index, const char* name, std::uint32_t type,
                      float defaultValue);
    void AddTextParameter(std::uint32_t index, const char* name, std::uint32_t type,
                          const char* defaultText);
    void SetParameterRange(std::uint32_t index, float minimum, float maximum);
    void SetParameterDisplayName(std::uint32_t index, std::string displayName, bool notify);
    void RaiseParameterEvents(std::uint32_t index, std::uint64_t bits);
    void SetMinInputs(std::int32_t count) { minInputs = count; }
    void SetMaxInputs(std::int32_t count) { maxInputs = count; }
    void SetTimeSupported(bool supported) { timeSupported = supported; }

    // Queries. Returned pointers belong to the registry and stay valid until it changes.
    std::uint32_t GetNumParams() const;
    const char* GetParamName(std::uint32_t index) const;
    std::uint32_t GetParamType(std::uint32_t index) const;
    // Text types: pointer to the default text; others: the default float's bits.
    ffgl::FFMixed GetParamDefault(std::uint32_t index) const;
    void GetParamRange(std::uint32_t index, float& minimum, float& maximum) const;
    std::uint32_t GetNumParamElements(std::uint32_t index) const;
    const char* GetParamElementName(std::uint32_t index, std::uint32_t element) const;
    ffgl::FFMixed GetParamElementValue(std::uint32_t index, std::uint32_t element) const;
    std::uint32_t SetParamElementValue(std::uint32_t index, std::uint32_t element, float value);
    std::uint32_t GetParamAttribute(std::uint32_t index) const;
    std::uint32_t GetParamFlag(std::uint32_t index) const;
    std::uint32_t GetNumParamTexts(std::uint32_t index) const;
    const char* GetParamTextItem(std::uint32_t index, std::uint32_t item) const;
    std::uint32_t GetNumParamValues(std::uint32_t index) const;
    std::uint32_t GetParamValueItem(std::uint32_t index, std::uint32_t item) const;
    std::string GetParamDisplayName(std::uint32_t index) const;
    std::string GetParamExtraText(std::uint32_t index) const;
    std::uint32_t GetNumPendingEvents() const;
    // Fills up to capacity entries in registry order, clearing their bits; answers the count.
    std::uint32_t TakeEvents(ffgl::ParameterEventEntry* entries, std::uint32_t capacity);

    std::int32_t GetMinInputs() const { return minInputs; }
    std::int32_t GetMaxInputs() const { return maxInputs; }
    bool GetTimeSupported() const { return timeSupported; }
    bool GetCapability16Supported() const { return capability16Supported; }
    void EnableCapability16() { capability16Enabled = 1; }
    std::int32_t GetCapability16Enabled() const { return capability16Enabled; }

private:
    const ffgl::ParameterDefinition* Find(std::uint32_t index) const;
    ffgl::ParameterDefinition* Find(std::uint32_t index);

    std::vector<ffgl::ParameterDefinition> registry;
    std::int32_t minInputs = 0;
    std::int32_t maxInputs = 0;
    bool timeSupported = true;
    bool capability16Supported;
    std::int32_t capability16Enabled = 0;
};
