// The plug-in's records as a host lays them out: explicit padding, written apart from the
// plug-in's own declarations so that a layout mistake on either side shows up in the tests.
// Each is aligned as a host's compiler aligns it (8 with a pointer or a 64-bit member, else 4):
// packed alone, a record on the stack could sit where the plug-in cannot read its members.
#pragma once

#include <cstdint>

namespace testhost
{

union Mixed
{
    std::uint32_t u32;
    float f32;
    void* ptr;
};
static_assert(sizeof(Mixed) == 8);

inline constexpr std::uint32_t kOk = 0;
inline constexpr std::uint32_t kFail = 0xFFFFFFFFu;

#pragma pack(push, 1)
struct alignas(4) InfoRecord
{
    std::uint32_t apiMajor;
    std::uint32_t apiMinor;
    std::uint8_t id[4];
    std::uint8_t name[16];
    std::uint32_t type;
};
static_assert(sizeof(InfoRecord) == 32);

struct alignas(8) ExtendedInfoRecord
{
    std::uint32_t versionMajor;
    std::uint32_t versionMinor;
    const char* description;
    const char* about;
    std::uint32_t dataSize;
    std::uint32_t padding;
    const void* data;
};
static_assert(sizeof(ExtendedInfoRecord) == 40);

struct alignas(8) SetParameterIn
{
    std::uint32_t index;
    std::uint32_t padding;
    Mixed value;
};
static_assert(sizeof(SetParameterIn) == 16);

struct alignas(4) ElementIndexIn
{
    std::uint32_t parameter;
    std::uint32_t item;
};

struct alignas(4) ElementValueIn
{
    std::uint32_t parameter;
    std::uint32_t element;
    float value;
};

struct alignas(4) BeatIn
{
    float bpm;
    float phase;
};

struct alignas(8) HostInfoIn
{
    const char* name;
    const char* version;
};

struct alignas(4) RangeInOut
{
    std::uint32_t index;
    float min;
    float max;
};

struct alignas(8) PreviewImageInOut
{
    std::uint32_t width;
    std::uint32_t height;
    void* pixels;
};
static_assert(sizeof(PreviewImageInOut) == 16);

struct alignas(8) EventEntry
{
    std::uint32_t parameter;
    std::uint32_t padding;
    std::uint64_t bits;
};
static_assert(sizeof(EventEntry) == 16);

struct alignas(8) EventsInOut
{
    std::uint32_t count;
    std::uint32_t padding;
    EventEntry* entries;
};
static_assert(sizeof(EventsInOut) == 16);

struct alignas(8) TextRequestIn
{
    std::uint32_t index;
    std::uint32_t padding;
    char* buffer;
    std::uint32_t size;
    std::uint32_t padding2;
};
static_assert(sizeof(TextRequestIn) == 24);

struct alignas(4) ViewportIn
{
    std::uint32_t x, y, width, height;
};

struct alignas(4) TextureIn
{
    std::uint32_t width, height, hardwareWidth, hardwareHeight, name;
};
static_assert(sizeof(TextureIn) == 20);

struct alignas(8) FrameIn
{
    std::uint32_t inputCount;
    std::uint32_t padding;
    TextureIn** inputs;
};
static_assert(sizeof(FrameIn) == 16);
#pragma pack(pop)

} // namespace testhost
