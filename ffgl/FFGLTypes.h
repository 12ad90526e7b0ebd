// The host's binary interface: result codes, the 8-byte mixed value, function codes and the
// records the host reads or passes in. Layouts are for 64-bit little-endian targets.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ffgl
{

inline constexpr std::uint32_t kSuccess = 0;
inline constexpr std::uint32_t kFailure = 0xFFFFFFFFu;

// Argument and result of plugMain: a 32-bit value in the low half, or a pointer in all 8 bytes.
union FFMixed
{
    std::uint32_t uintValue;
    float floatValue;
    void* pointerValue;
};
static_assert(sizeof(FFMixed) == 8);

using FFInstanceID = void*;

// 32-bit answers keep the upper half zero; the host reads only the low half.
inline FFMixed MixedFromUint(std::uint32_t value)
{
    FFMixed mixed{};
    mixed.pointerValue = nullptr;
    mixed.uintValue = value;
    return mixed;
}

inline FFMixed MixedFromFloat(float value)
{
    FFMixed mixed{};
    mixed.pointerValue = nullptr;
    mixed.floatValue = value;
    return mixed;
}

inline FFMixed MixedFromPointer(const void* pointer)
{
    FFMixed mixed{};
    mixed.pointerValue = const_cast<void*>(pointer);
    return mixed;
}

enum class FunctionCode : std::uint32_t
{
    GetInfo = 0,
    Deinitialise = 2,
    GetNumParameters = 4,
    GetParameterName = 5,
    GetParameterDefault = 6,
    GetParameterDisplay = 7,
    SetParameter = 8,
    GetParameter = 9,
    GetPluginCaps = 10,
    GetExtendedInfo = 13,
    GetParameterType = 15,
    GetInputStatus = 16,
    ProcessOpenGL = 17,
    InstantiateGL = 18,
    DeinstantiateGL = 19,
    SetTime = 20,
    Connect = 21,
    Disconnect = 22,
    Resize = 23,
    GetNumParameterElements = 31,
    GetParameterAttribute = 32,
    GetOptionalText = 33,
    Initialise = 34,
    GetParameterElementName = 35,
    GetParameterElementValue = 36,
    SetParameterElementValue = 37,
    SetBeatInfo = 38,
    SetHostInfo = 39,
    SetSampleRate = 40,
    GetParameterRange = 41,
    GetPreviewImage = 42,
    GetNumParameterTexts = 43,
    GetParameterTextItem = 44,
    GetParameterFlag = 45,
    GetParameterEvents = 46,
    GetNumParameterValues = 47,
    GetParameterValueItem = 48,
    EnableCapability = 49,
    GetParameterExtraText = 50,
    GetParameterDisplayName = 51,
};
inline constexpr std::uint32_t kFunctionCodeCount = 52;

namespace ParameterType
{
inline constexpr std::uint32_t Boolean = 0;
inline constexpr std::uint32_t Event = 1;
inline constexpr std::uint32_t Standard = 10;
inline constexpr std::uint32_t TextValued = 14;
inline constexpr std::uint32_t Text = 100;
} // namespace ParameterType

inline constexpr bool IsTextType(std::uint32_t type)
{
    return type == ParameterType::Text || type == ParameterType::TextValued;
}

namespace Capability
{
inline constexpr std::uint32_t SetTime = 5;
inline constexpr std::uint32_t MinInputFrames = 10;
inline constexpr std::uint32_t MaxInputFrames = 11;
inline constexpr std::uint32_t Capability16 = 16;
} // namespace Capability

namespace EventBit
{
inline constexpr std::uint64_t DisplayNameChanged = 0x2;
inline constexpr std::uint64_t ValueChanged = 0x4;
} // namespace EventBit

// Read by the host through GetInfo. Identifier and name carry no terminator when full.
struct PluginInfo
{
    std::uint32_t apiMajorVersion;
    std::uint32_t apiMinorVersion;
    char uniqueId[4];
    char pluginName[16];
    std::uint32_t pluginType;
};
static_assert(sizeof(PluginInfo) == 32);
static_assert(offsetof(PluginInfo, apiMinorVersion) == 4);
static_assert(offsetof(PluginInfo, uniqueId) == 8);
static_assert(offsetof(PluginInfo, pluginName) == 12);
static_assert(offsetof(PluginInfo, pluginType) == 28);

// Read by the host through GetExtendedInfo. The texts live in the descriptor for the library's
// life.
struct PluginExtendedInfo
{
    std::uint32_t pluginMajorVersion;
    std::uint32_t pluginMinorVersion;
    const char* description;
    const char* about;
    std::uint32_t extendedDataSize;
    void* extendedData;
};
static_assert(sizeof(PluginExtendedInfo) == 40);
static_assert(offsetof(PluginExtendedInfo, description) == 8);
static_assert(offsetof(PluginExtendedInfo, about) == 16);
static_assert(offsetof(PluginExtendedInfo, extendedDataSize) == 24);
static_assert(offsetof(PluginExtendedInfo, extendedData) == 32);

struct SetParameterRecord
{
    std::uint32_t index;
    FFMixed value; // float in the low half, or a pointer to a zero-terminated text
};
static_assert(offsetof(SetParameterRecord, value) == 8 && sizeof(SetParameterRecord) == 16);

struct ElementIndexRecord
{
    std::uint32_t parameterIndex;
    std::uint32_t itemIndex;
};
static_assert(sizeof(ElementIndexRecord) == 8);

struct ElementValueRecord
{
    std::uint32_t parameterIndex;
    std::uint32_t elementIndex;
    float value;
};
static_assert(offsetof(ElementValueRecord, value) == 8);

struct BeatRecord
{
    float tempo;
    float barPhase;
};
static_assert(offsetof(BeatRecord, barPhase) == 4);

struct HostInfoRecord
{
    const char* name;
    const char* version;
};
static_assert(offsetof(HostInfoRecord, version) == 8);

struct RangeRecord
{
    std::uint32_t index; // in
    float minimum;       // out
    float maximum;       // out
};
static_assert(offsetof(RangeRecord, minimum) == 4 && offsetof(RangeRecord, maximum) == 8);

struct PreviewImageRecord
{
    std::uint32_t width;  // out
    std::uint32_t height; // out
    void* pixels;         // caller's buffer of width * height * 4 bytes, or null
};
static_assert(offsetof(PreviewImageRecord, pixels) == 8);

struct ParameterEventEntry
{
    std::uint32_t index;
    std::uint64_t bits;
};
static_assert(sizeof(ParameterEventEntry) == 16 && offsetof(ParameterEventEntry, bits) == 8);

struct ParameterEventsRecord
{
    std::uint32_t count; // in: capacity of entries; out: entries filled (or pending when null)
    ParameterEventEntry* entries;
};
static_assert(offsetof(ParameterEventsRecord, entries) == 8);

struct TextRequestRecord
{
    std::uint32_t index;
    char* buffer;
    std::uint32_t bufferSize;
};
static_assert(offsetof(TextRequestRecord, buffer) == 8);
static_assert(offsetof(TextRequestRecord, bufferSize) == 16);

struct ViewportRecord
{
    std::uint32_t x;
    std::uint32_t y;
    std::uint32_t width;
    std::uint32_t height;
};
static_assert(sizeof(ViewportRecord) == 16);

struct TextureRecord
{
    std::uint32_t width;
    std::uint32_t height;
    std::uint32_t hardwareWidth;
    std::uint32_t hardwareHeight;
    std::uint32_t handle;
};
static_assert(sizeof(TextureRecord) == 20);

struct FrameDataRecord
{
    std::uint32_t inputTextureCount;
    TextureRecord** inputTextures;
};
static_assert(offsetof(FrameDataRecord, inputTextures) == 8);

} // namespace ffgl
