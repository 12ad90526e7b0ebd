#include "tools/testhost/PluginLibrary.h"

#include "tools/testhost/FunctionCode.h"

#include <cstring>
#include <stdexcept>

namespace testhost
{

Mixed MixedU32(std::uint32_t value)
{
    Mixed mixed{};
    mixed.ptr = nullptr;
    mixed.u32 = value;
    return mixed;
}

Mixed MixedPtr(const void* pointer)
{
    Mixed mixed{};
    mixed.ptr = const_cast<void*>(pointer);
    return mixed;
}

namespace
{
template <typename Fn> Fn Resolve(const platform::SharedLibrary& library, const char* name)
{
    void* symbol = library.Resolve(name);
    if (!symbol)
        throw std::runtime_error(std::string("missing export ") + name);
    Fn fn;
    std::memcpy(&fn, &symbol, sizeof fn);
    return fn;
}
} // namespace

PluginLibrary::PluginLibrary(const std::string& path)
    : library(path), plugMain(Resolve<PlugMainFn>(library, "plugMain")),
      setLogCallback(Resolve<SetLogCallbackFn>(library, "SetLogCallback"))
{
}

PluginLibrary::~PluginLibrary()
{
    setLogCallback(nullptr);
}

Mixed PluginLibrary::Call(std::uint32_t code, Mixed input, void* instance) const
{
    return plugMain(code, input, instance);
}

const InfoRecord* PluginLibrary::GetInfo() const
{
    return static_cast<const InfoRecord*>(Call(kGetInfo).ptr);
}

const ExtendedInfoRecord* PluginLibrary::GetExtendedInfo() const
{
    return static_cast<const ExtendedInfoRecord*>(Call(kGetExtendedInfo).ptr);
}

std::uint32_t PluginLibrary::Initialise() const
{
    return Call(kInitialise).u32;
}

std::uint32_t PluginLibrary::Deinitialise() const
{
    return Call(kDeinitialise).u32;
}

std::uint32_t PluginLibrary::GetNumParameters() const
{
    return Call(kGetNumParameters).u32;
}

const char* PluginLibrary::GetParameterName(std::uint32_t index) const
{
    return static_cast<const char*>(Call(kGetParameterName, MixedU32(index)).ptr);
}

Mixed PluginLibrary::GetParameterDefault(std::uint32_t index) const
{
    return Call(kGetParameterDefault, MixedU32(index));
}

std::uint32_t PluginLibrary::GetParameterType(std::uint32_t index) const
{
    return Call(kGetParameterType, MixedU32(index)).u32;
}

std::uint32_t PluginLibrary::GetPluginCaps(std::uint32_t capability) const
{
    return Call(kGetPluginCaps, MixedU32(capability)).u32;
}

RangeInOut PluginLibrary::GetParameterRange(std::uint32_t index) const
{
    RangeInOut range{index, -99.0f, -99.0f};
    Call(kGetParameterRange, MixedPtr(&range));
    return range;
}

void* PluginLibrary::InstantiateGL(const ViewportIn& viewport) const
{
    const Mixed result = Call(kInstantiateGL, MixedPtr(&viewport));
    return result.u32 == kFail ? nullptr : result.ptr;
}

std::uint32_t PluginLibrary::DeinstantiateGL(void* instance) const
{
    return Call(kDeinstantiateGL, Mixed{}, instance).u32;
}

std::uint32_t PluginLibrary::ProcessOpenGL(void* instance, const FrameIn& frame) const
{
    return Call(kProcessOpenGL, MixedPtr(&frame), instance).u32;
}

std::uint32_t PluginLibrary::SetTime(void* instance, double time) const
{
    return Call(kSetTime, MixedPtr(&time), instance).u32;
}

std::uint32_t PluginLibrary::SetBeatInfo(void* instance, float bpm, float phase) const
{
    const BeatIn record{bpm, phase};
    return Call(kSetBeatInfo, MixedPtr(&record), instance).u32;
}

std::uint32_t PluginLibrary::SetParameter(void* instance, std::uint32_t index, float value) const
{
    SetParameterIn record{};
    record.index = index;
    record.value = MixedU32(0);
    record.value.f32 = value;
    return Call(kSetParameter, MixedPtr(&record), instance).u32;
}

std::uint32_t PluginLibrary::SetParameter(void* instance, std::uint32_t index,
                                          const char* text) const
{
    SetParameterIn record{};
    record.index = index;
    record.value = MixedPtr(text);
    return Call(kSetParameter, MixedPtr(&record), instance).u32;
}

Mixed PluginLibrary::GetParameter(void* instance, std::uint32_t index) const
{
    return Call(kGetParameter, MixedU32(index), instance);
}

float PluginLibrary::GetFloatParameter(void* instance, std::uint32_t index) const
{
    return GetParameter(instance, index).f32;
}

std::string PluginLibrary::GetTextParameter(void* instance, std::uint32_t index) const
{
    const Mixed result = GetParameter(instance, index);
    if (result.ptr == nullptr || result.u32 == kFail)
        throw std::runtime_error("parameter has no text");
    return static_cast<const char*>(result.ptr);
}

const char* PluginLibrary::GetParameterDisplay(void* instance, std::uint32_t index) const
{
    return static_cast<const char*>(Call(kGetParameterDisplay, MixedU32(index), instance).ptr);
}

std::vector<EventEntry> PluginLibrary::GetParameterEvents(void* instance,
                                                          std::uint32_t capacity) const
{
    std::vector<EventEntry> entries(capacity);
    EventsInOut record{};
    record.count = capacity;
    record.entries = entries.data();
    if (Call(kGetParameterEvents, MixedPtr(&record), instance).u32 != kOk)
        throw std::runtime_error("GetParameterEvents failed");
    entries.resize(record.count);
    return entries;
}

} // namespace testhost
