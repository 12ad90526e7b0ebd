// A plug-in file loaded the way a video host loads it, with one typed call per function code.
#pragma once

#include "platform/SharedLibrary.h"
#include "tools/testhost/HostRecords.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace testhost
{

using PlugMainFn = Mixed (*)(std::uint32_t code, Mixed input, void* instance);
using LogCallbackFn = void (*)(const char* text);
using SetLogCallbackFn = void (*)(LogCallbackFn callback);

class PluginLibrary
{
public:
    // Throws std::runtime_error when the file cannot be loaded or lacks the two exports. The
    // host's log callback is cleared before the library is closed.
    explicit PluginLibrary(const std::string& path);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    // The raw entry point, for codes and inputs the typed calls do not cover.
    Mixed Call(std::uint32_t code, Mixed input = Mixed{}, void* instance = nullptr) const;
    void SetLogCallback(LogCallbackFn callback) const { setLogCallback(callback); }
    // Any other export (a test copy of the plug-in has a few), or null.
    void* Symbol(const char* name) const { return library.Resolve(name); }

    const InfoRecord* GetInfo() const;
    const ExtendedInfoRecord* GetExtendedInfo() const;
    std::uint32_t Initialise() const;
    std::uint32_t Deinitialise() const;
    std::uint32_t GetNumParameters() const;
    const char* GetParameterName(std::uint32_t index) const;
    Mixed GetParameterDefault(std::uint32_t index) const;
    std::uint32_t GetParameterType(std::uint32_t index) const;
    std::uint32_t GetPluginCaps(std::uint32_t capability) const;
    RangeInOut GetParameterRange(std::uint32_t index) const;

    // Null when the plug-in refused.
    void* InstantiateGL(const ViewportIn& viewport) const;
    std::uint32_t DeinstantiateGL(void* instance) const;
    std::uint32_t ProcessOpenGL(void* instance, const FrameIn& frame) const;
    std::uint32_t SetTime(void* instance, double time) const;
    // `bpm`: the host's tempo; `phase`: where in the bar it is, 0 to 1.
    std::uint32_t SetBeatInfo(void* instance, float bpm, float phase) const;
    std::uint32_t SetParameter(void* instance, std::uint32_t index, float value) const;
    std::uint32_t SetParameter(void* instance, std::uint32_t index, const char* text) const;
    Mixed GetParameter(void* instance, std::uint32_t index) const;
    float GetFloatParameter(void* instance, std::uint32_t index) const;
    std::string GetTextParameter(void* instance, std::uint32_t index) const;
    // The display text, or null when the plug-in answers none.
    const char* GetParameterDisplay(void* instance, std::uint32_t index) const;
    std::vector<EventEntry> GetParameterEvents(void* instance, std::uint32_t capacity = 64) const;

private:
    platform::SharedLibrary library;
    PlugMainFn plugMain = nullptr;
    SetLogCallbackFn setLogCallback = nullptr;
};

Mixed MixedU32(std::uint32_t value);
Mixed MixedPtr(const void* pointer);

} // namespace testhost
