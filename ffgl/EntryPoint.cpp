#include "ffgl/EntryPoint.h"

#include "ffgl/FFGLPlugin.h"
#include "ffgl/GlLoadingState.h"
#include "ffgl/PluginDescriptor.h"
#include "ffgl/PluginPrototype.h"
#include "ffgl/PreviewImage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>

namespace ffgl
{
namespace
{

// What a code works on; the dispatcher resolves it before the handler runs.
enum class Target
{
    Descriptor,          // needs nothing but the descriptor
    Prototype,           // the prototype, created first if needed
    Instance,            // the instance argument, which must be non-zero
    InstanceOrPrototype, // the instance argument when given, else the prototype
};

using Handler = FFMixed (*)(FFMixed input, CFFGLPlugin* target);

struct CodeEntry
{
    Handler handler = nullptr;
    Target target = Target::Descriptor;
    std::uint32_t cannot = kFailure; // the answer when the code cannot be served
};

FFMixed Fail()
{
    return MixedFromUint(kFailure);
}

FFMixed Ok()
{
    return MixedFromUint(kSuccess);
}

template <typename Record> Record* RecordOf(FFMixed input)
{
    return static_cast<Record*>(input.pointerValue);
}

std::uint32_t PrototypeType(std::uint32_t index)
{
    CFFGLPlugin* prototype = EnsurePrototype();
    return prototype ? prototype->GetParamType(index) : kFailure;
}

FFMixed GetInfo(FFMixed, CFFGLPlugin*)
{
    return MixedFromPointer(&GetPluginDescriptor()->Info());
}

FFMixed GetExtendedInfo(FFMixed, CFFGLPlugin*)
{
    return MixedFromPointer(&GetPluginDescriptor()->ExtendedInfo());
}

FFMixed DoDeinitialise(FFMixed, CFFGLPlugin*)
{
    return MixedFromUint(Deinitialise());
}

FFMixed DoInitialise(FFMixed, CFFGLPlugin*)
{
    return MixedFromUint(Initialise());
}

FFMixed GetNumParameters(FFMixed, CFFGLPlugin* prototype)
{
    return MixedFromUint(prototype->GetNumParams());
}

FFMixed GetParameterName(FFMixed input, CFFGLPlugin* prototype)
{
    return MixedFromPointer(prototype->GetParamName(input.uintValue));
}

FFMixed GetParameterDefault(FFMixed input, CFFGLPlugin* prototype)
{
    return prototype->GetParamDefault(input.uintValue);
}

FFMixed GetParameterDisplay(FFMixed input, CFFGLPlugin* instance)
{
    return MixedFromPointer(instance->GetParameterDisplay(input.uintValue));
}

FFMixed SetParameter(FFMixed input, CFFGLPlugin* instance)
{
    const auto* record = RecordOf<const SetParameterRecord>(input);
    if (!record)
        return Fail();
    if (IsTextType(PrototypeType(record->index)))
        return MixedFromUint(instance->SetTextParameter(
            record->index, static_cast<const char*>(record->value.pointerValue)));
    return MixedFromUint(instance->SetFloatParameter(record->index, record->value.floatValue));
}

FFMixed GetParameter(FFMixed input, CFFGLPlugin* instance)
{
    if (IsTextType(PrototypeType(input.uintValue)))
        return MixedFromPointer(instance->GetTextParameter(input.uintValue));
    return MixedFromFloat(instance->GetFloatParameter(input.uintValue));
}

FFMixed GetPluginCaps(FFMixed input, CFFGLPlugin* prototype)
{
    switch (input.uintValue)
    {
    case Capability::SetTime:
        return MixedFromUint(prototype->GetTimeSupported() ? 1u : 0u);
    case Capability::MinInputFrames:
        return MixedFromUint(static_cast<std::uint32_t>(std::max(0, prototype->GetMinInputs())));
    case Capability::MaxInputFrames:
        return MixedFromUint(static_cast<std::uint32_t>(std::max(0, prototype->GetMaxInputs())));
    case Capability::Capability16:
        return MixedFromUint(prototype->GetCapability16Supported() ? 1u : 0u);
    default:
        return MixedFromUint(0);
    }
}

FFMixed GetParameterType(FFMixed input, CFFGLPlugin* prototype)
{
    return MixedFromUint(prototype->GetParamType(input.uintValue));
}

FFMixed GetInputStatus(FFMixed input, CFFGLPlugin* instance)
{
    return MixedFromUint(instance->GetInputStatus(input.uintValue));
}

FFMixed ProcessOpenGL(FFMixed input, CFFGLPlugin* instance)
{
    const auto* frame = RecordOf<const FrameDataRecord>(input);
    if (!frame)
        return Fail();
    if (!instance->IsConnected())
    {
        instance->Connect();
        instance->SetConnected(true);
    }
    return MixedFromUint(instance->ProcessOpenGL(frame));
}

// Applies the prototype's registered defaults to a new object through its own setters.
bool CopyDefaults(CFFGLPlugin& prototype, CFFGLPlugin& plugin)
{
    for (std::uint32_t i = 0; i < prototype.GetNumParams(); ++i)
    {
        const FFMixed value = prototype.GetParamDefault(i);
        const std::uint32_t result =
            IsTextType(prototype.GetParamType(i))
                ? plugin.SetTextParameter(i, static_cast<const char*>(value.pointerValue))
                : plugin.SetFloatParameter(i, value.floatValue);
        if (result == kFailure)
            return false;
    }
    return true;
}

FFMixed InstantiateGL(FFMixed input, CFFGLPlugin*)
{
    const auto* viewport = RecordOf<const ViewportRecord>(input);
    if (!viewport)
        return Fail(); // before the prototype: a refused call creates nothing
    CFFGLPlugin* prototype = EnsurePrototype();
    if (!prototype)
        return Fail();
    CFFGLPlugin* created = nullptr;
    if (GetPluginDescriptor()->CreateInstance(&created) != kSuccess)
        return Fail();
    std::unique_ptr<CFFGLPlugin> plugin(created);
    plugin->SetOwner(plugin.get());
    if (!CopyDefaults(*prototype, *plugin) || !EnsureGlEntryPoints())
        return Fail();
    if (plugin->InitGL(viewport) != kSuccess)
    {
        plugin->DeInitGL();
        return Fail();
    }
    return MixedFromPointer(plugin.release());
}

FFMixed DeinstantiateGL(FFMixed, CFFGLPlugin* instance)
{
    std::unique_ptr<CFFGLPlugin> plugin(instance);
    if (plugin->IsConnected())
    {
        plugin->Disconnect();
        plugin->SetConnected(false);
    }
    plugin->DeInitGL();
    return Ok();
}

FFMixed SetTime(FFMixed input, CFFGLPlugin* instance)
{
    const auto* time = RecordOf<const double>(input);
    if (!time)
        return Fail();
    return MixedFromUint(instance->SetTime(*time));
}

FFMixed Connect(FFMixed, CFFGLPlugin* instance)
{
    const std::uint32_t result = instance->Connect();
    if (result == kSuccess)
        instance->SetConnected(true);
    return MixedFromUint(result);
}

FFMixed Disconnect(FFMixed, CFFGLPlugin* instance)
{
    const std::uint32_t result = instance->Disconnect();
    if (result == kSuccess)
        instance->SetConnected(false);
    return MixedFromUint(result);
}

FFMixed Resize(FFMixed input, CFFGLPlugin* instance)
{
    const auto* viewport = RecordOf<const ViewportRecord>(input);
    if (!viewport)
        return Fail();
    return MixedFromUint(instance->Resize(viewport));
}

FFMixed GetNumParameterElements(FFMixed input, CFFGLPlugin* plugin)
{
    return MixedFromUint(plugin->GetNumParamElements(input.uintValue));
}

FFMixed GetParameterAttribute(FFMixed input, CFFGLPlugin* prototype)
{
    return MixedFromUint(prototype->GetParamAttribute(input.uintValue));
}

FFMixed GetOptionalText(FFMixed, CFFGLPlugin* prototype)
{
    return MixedFromPointer(prototype->GetOptionalText());
}

FFMixed GetParameterElementName(FFMixed input, CFFGLPlugin* plugin)
{
    const auto* record = RecordOf<const ElementIndexRecord>(input);
    if (!record)
        return MixedFromPointer(nullptr);
    return MixedFromPointer(plugin->GetParamElementName(record->parameterIndex, record->itemIndex));
}

FFMixed GetParameterElementValue(FFMixed input, CFFGLPlugin* plugin)
{
    const auto* record = RecordOf<const ElementIndexRecord>(input);
    if (!record)
        return Fail();
    return plugin->GetParamElementValue(record->parameterIndex, record->itemIndex);
}

FFMixed SetParameterElementValue(FFMixed input, CFFGLPlugin* instance)
{
    const auto* record = RecordOf<const ElementValueRecord>(input);
    if (!record)
        return Fail();
    return MixedFromUint(instance->SetParamElementValue(record->parameterIndex,
                                                        record->elementIndex, record->value));
}

FFMixed SetBeatInfo(FFMixed input, CFFGLPlugin* instance)
{
    const auto* record = RecordOf<const BeatRecord>(input);
    if (!record)
        return Fail();
    instance->SetBeatInfo(record->tempo, record->barPhase);
    return Ok();
}

FFMixed SetHostInfo(FFMixed input, CFFGLPlugin* instance)
{
    const auto* record = RecordOf<const HostInfoRecord>(input);
    if (!record)
        return Fail();
    instance->SetHostInfo(record->name, record->version);
    return Ok();
}

FFMixed SetSampleRate(FFMixed input, CFFGLPlugin* instance)
{
    instance->SetSampleRate(input.uintValue);
    return Ok();
}

FFMixed GetParameterRange(FFMixed input, CFFGLPlugin* prototype)
{
    auto* record = RecordOf<RangeRecord>(input);
    if (!record)
        return Fail();
    prototype->GetParamRange(record->index, record->minimum, record->maximum);
    return Ok();
}

FFMixed GetPreviewImage(FFMixed input, CFFGLPlugin*)
{
    auto* record = RecordOf<PreviewImageRecord>(input);
    if (!record)
        return Fail();
    const PreviewImageSource* source = GetPreviewImageSource();
    if (!source)
    {
        record->width = 0;
        record->height = 0;
        return Fail();
    }
    record->width = source->width;
    record->height = source->height;
    if (record->pixels)
        std::memcpy(record->pixels, source->pixels,
                    std::size_t{source->width} * source->height * 4);
    return Ok();
}

FFMixed GetNumParameterTexts(FFMixed input, CFFGLPlugin* prototype)
{
    return MixedFromUint(prototype->GetNumParamTexts(input.uintValue));
}

FFMixed GetParameterTextItem(FFMixed input, CFFGLPlugin* prototype)
{
    const auto* record = RecordOf<const ElementIndexRecord>(input);
    if (!record)
        return MixedFromPointer(nullptr);
    return MixedFromPointer(prototype->GetParamTextItem(record->parameterIndex, record->itemIndex));
}

FFMixed GetParameterFlag(FFMixed input, CFFGLPlugin* plugin)
{
    return MixedFromUint(plugin->GetParamFlag(input.uintValue));
}

FFMixed GetParameterEvents(FFMixed input, CFFGLPlugin* instance)
{
    auto* record = RecordOf<ParameterEventsRecord>(input);
    if (!record)
        return Fail();
    record->count = record->entries ? instance->TakeEvents(record->entries, record->count)
                                    : instance->GetNumPendingEvents();
    return Ok();
}

FFMixed GetNumParameterValues(FFMixed input, CFFGLPlugin* prototype)
{
    return MixedFromUint(prototype->GetNumParamValues(input.uintValue));
}

FFMixed GetParameterValueItem(FFMixed input, CFFGLPlugin* prototype)
{
    const auto* record = RecordOf<const ElementIndexRecord>(input);
    if (!record)
        return Fail();
    return MixedFromUint(prototype->GetParamValueItem(record->parameterIndex, record->itemIndex));
}

// Answers failure in every case, also after acting.
FFMixed EnableCapability(FFMixed input, CFFGLPlugin* instance)
{
    const CFFGLPlugin* prototype = EnsurePrototype();
    if (input.uintValue == Capability::Capability16 && prototype &&
        prototype->GetCapability16Supported())
        instance->EnableCapability16();
    return Fail();
}

// Copies min(length, size) bytes and no terminator: the caller zero-fills its buffer.
FFMixed CopyTextToRequest(TextRequestRecord* record, const std::string& text)
{
    if (!record || record->bufferSize == 0)
        return Fail();
    std::memcpy(record->buffer, text.data(),
                std::min<std::size_t>(text.size(), record->bufferSize));
    return Ok();
}

FFMixed GetParameterExtraText(FFMixed input, CFFGLPlugin* prototype)
{
    auto* record = RecordOf<TextRequestRecord>(input);
    return CopyTextToRequest(record, record ? prototype->GetParamExtraText(record->index) : "");
}

FFMixed GetParameterDisplayName(FFMixed input, CFFGLPlugin* instance)
{
    auto* record = RecordOf<TextRequestRecord>(input);
    return CopyTextToRequest(record, record ? instance->GetParamDisplayName(record->index) : "");
}

constexpr std::array<CodeEntry, kFunctionCodeCount> MakeCodeTable()
{
    using enum FunctionCode;
    std::array<CodeEntry, kFunctionCodeCount> table{};
    auto set = [&table](FunctionCode code, Handler handler, Target target,
                        std::uint32_t cannot = kFailure) {
        table[static_cast<std::uint32_t>(code)] = CodeEntry{handler, target, cannot};
    };
    set(GetInfo, &ffgl::GetInfo, Target::Descriptor);
    set(Deinitialise, &DoDeinitialise, Target::Descriptor);
    set(GetNumParameters, &ffgl::GetNumParameters, Target::Prototype);
    set(GetParameterName, &ffgl::GetParameterName, Target::Prototype, 0);
    set(GetParameterDefault, &ffgl::GetParameterDefault, Target::Prototype);
    set(GetParameterDisplay, &ffgl::GetParameterDisplay, Target::Instance);
    set(SetParameter, &ffgl::SetParameter, Target::Instance);
    set(GetParameter, &ffgl::GetParameter, Target::Instance);
    set(GetPluginCaps, &ffgl::GetPluginCaps, Target::Prototype);
    set(GetExtendedInfo, &ffgl::GetExtendedInfo, Target::Descriptor);
    set(GetParameterType, &ffgl::GetParameterType, Target::Prototype);
    set(GetInputStatus, &ffgl::GetInputStatus, Target::Instance);
    set(ProcessOpenGL, &ffgl::ProcessOpenGL, Target::Instance);
    set(InstantiateGL, &ffgl::InstantiateGL, Target::Descriptor);
    set(DeinstantiateGL, &ffgl::DeinstantiateGL, Target::Instance);
    set(SetTime, &ffgl::SetTime, Target::Instance);
    set(Connect, &ffgl::Connect, Target::Instance);
    set(Disconnect, &ffgl::Disconnect, Target::Instance);
    set(Resize, &ffgl::Resize, Target::Instance);
    set(GetNumParameterElements, &ffgl::GetNumParameterElements, Target::InstanceOrPrototype);
    set(GetParameterAttribute, &ffgl::GetParameterAttribute, Target::Prototype);
    set(GetOptionalText, &ffgl::GetOptionalText, Target::Prototype, 0);
    set(Initialise, &DoInitialise, Target::Descriptor);
    set(GetParameterElementName, &ffgl::GetParameterElementName, Target::InstanceOrPrototype, 0);
    set(GetParameterElementValue, &ffgl::GetParameterElementValue, Target::InstanceOrPrototype);
    set(SetParameterElementValue, &ffgl::SetParameterElementValue, Target::Instance);
    set(SetBeatInfo, &ffgl::SetBeatInfo, Target::Instance);
    set(SetHostInfo, &ffgl::SetHostInfo, Target::Instance);
    set(SetSampleRate, &ffgl::SetSampleRate, Target::Instance);
    set(GetParameterRange, &ffgl::GetParameterRange, Target::Prototype);
    set(GetPreviewImage, &ffgl::GetPreviewImage, Target::Descriptor);
    set(GetNumParameterTexts, &ffgl::GetNumParameterTexts, Target::Prototype);
    set(GetParameterTextItem, &ffgl::GetParameterTextItem, Target::Prototype, 0);
    set(GetParameterFlag, &ffgl::GetParameterFlag, Target::InstanceOrPrototype);
    set(GetParameterEvents, &ffgl::GetParameterEvents, Target::Instance);
    set(GetNumParameterValues, &ffgl::GetNumParameterValues, Target::Prototype, 0);
    set(GetParameterValueItem, &ffgl::GetParameterValueItem, Target::Prototype);
    set(EnableCapability, &ffgl::EnableCapability, Target::Instance);
    set(GetParameterExtraText, &ffgl::GetParameterExtraText, Target::Prototype);
    set(GetParameterDisplayName, &ffgl::GetParameterDisplayName, Target::Instance);
    return table;
}

constexpr std::array<CodeEntry, kFunctionCodeCount> codeTable = MakeCodeTable();

// The object a code works on, or null when it cannot be had.
CFFGLPlugin* ResolveTarget(Target target, FFInstanceID instance, bool& resolved)
{
    auto* plugin = static_cast<CFFGLPlugin*>(instance);
    resolved = true;
    switch (target)
    {
    case Target::Descriptor:
        return nullptr;
    case Target::Prototype:
        break;
    case Target::Instance:
        resolved = plugin != nullptr;
        return plugin;
    case Target::InstanceOrPrototype:
        if (plugin)
            return plugin;
        break;
    }
    CFFGLPlugin* prototype = EnsurePrototype();
    resolved = prototype != nullptr;
    return prototype;
}

} // namespace

FFMixed PlugMain(std::uint32_t code, FFMixed input, FFInstanceID instance) noexcept
{
    if (code >= kFunctionCodeCount || !codeTable[code].handler)
        return Fail();
    const CodeEntry& entry = codeTable[code];
    try
    {
        if (!GetPluginDescriptor())
            return MixedFromUint(entry.cannot);
        bool resolved = false;
        CFFGLPlugin* target = ResolveTarget(entry.target, instance, resolved);
        if (!resolved)
            return MixedFromUint(entry.cannot);
        return entry.handler(input, target);
    }
    catch (...)
    {
        return MixedFromUint(entry.cannot);
    }
}

} // namespace ffgl
