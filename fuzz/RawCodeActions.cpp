// The rest of what a host may call: the plug-in's information, the parameter queries by code,
// host information, preview images, events, texts copied into the host's buffers, codes the
// plug-in does not know, each with its record or none. Texts it returns are readable.
#include "fuzz/FuzzCheck.h"
#include "fuzz/HostSession.h"
#include "tools/testhost/FunctionCode.h"

#include <cstring>
#include <vector>

namespace hostfuzz
{
namespace
{
using namespace testhost;

enum class Input
{
    None,
    Index,        // a parameter index, or any number
    ElementIndex, // ElementIndexIn
    ElementValue, // ElementValueIn
    HostInfo,     // HostInfoIn
    Range,        // RangeInOut
};

enum class Answer
{
    Any,
    Text,    // a text, or null
    Failure, // a code the plug-in does not serve
};

struct Code
{
    std::uint32_t code;
    Input input;
    Answer answer = Answer::Any;
};

constexpr Code kCodes[] = {
    {kGetNumParameters, Input::None},
    {kGetParameterName, Input::Index, Answer::Text},
    {kGetParameterDefault, Input::Index},
    {kGetPluginCaps, Input::Index},
    {kGetParameterType, Input::Index},
    {kGetInputStatus, Input::Index},
    {kConnect, Input::None},
    {kDisconnect, Input::None},
    {kGetNumParameterElements, Input::Index},
    {kGetParameterAttribute, Input::Index},
    {kGetOptionalText, Input::None, Answer::Text},
    {kGetParameterElementName, Input::ElementIndex, Answer::Text},
    {kGetParameterElementValue, Input::ElementIndex},
    {kSetParameterElementValue, Input::ElementValue},
    {kSetHostInfo, Input::HostInfo},
    {kSetSampleRate, Input::Index},
    {kGetParameterRange, Input::Range},
    {kGetNumParameterTexts, Input::Index},
    {kGetParameterTextItem, Input::ElementIndex, Answer::Text},
    {kGetParameterFlag, Input::Index},
    {kGetNumParameterValues, Input::Index},
    {kGetParameterValueItem, Input::ElementIndex},
    {kEnableCapability, Input::Index},
    // Codes the plug-in does not serve.
    {1, Input::Index, Answer::Failure},
    {3, Input::Index, Answer::Failure},
    {11, Input::Index, Answer::Failure},
    {14, Input::Index, Answer::Failure},
    {24, Input::Index, Answer::Failure},
    {30, Input::Index, Answer::Failure},
    {52, Input::Index, Answer::Failure},
    {0xFFFFFFFFu, Input::Index, Answer::Failure},
};

// The records an input may point at, kept alive across the call.
struct Records
{
    ElementIndexIn elementIndex{};
    ElementValueIn elementValue{};
    HostInfoIn hostInfo{};
    RangeInOut range{};
    std::string name;
    std::string version;
};

Mixed PickInput(Input kind, ByteReader& reader, Records& records)
{
    if (kind != Input::None && kind != Input::Index && reader.Pick(8) == 0)
        return MixedPtr(nullptr);
    switch (kind)
    {
    case Input::None:
        return MixedPtr(nullptr);
    case Input::Index:
        return MixedU32(reader.Flag() ? PickIndex(reader) : reader.U32());
    case Input::ElementIndex:
        records.elementIndex = ElementIndexIn{PickIndex(reader), reader.U32() % 4};
        return MixedPtr(&records.elementIndex);
    case Input::ElementValue:
        records.elementValue = ElementValueIn{PickIndex(reader), reader.U32() % 4, reader.Float()};
        return MixedPtr(&records.elementValue);
    case Input::HostInfo:
        records.name = reader.Bytes(64);
        records.version = reader.Bytes(16);
        records.hostInfo = HostInfoIn{reader.Flag() ? records.name.c_str() : nullptr,
                                      reader.Flag() ? records.version.c_str() : nullptr};
        return MixedPtr(&records.hostInfo);
    case Input::Range:
        records.range = RangeInOut{PickIndex(reader), 0.0f, 0.0f};
        return MixedPtr(&records.range);
    }
    return MixedPtr(nullptr);
}

void CallCode(HostSession& host, const Code& code, ByteReader& reader)
{
    void* instance = host.PickTarget(reader);
    Records records;
    const Mixed input = PickInput(code.input, reader, records);
    const Mixed result = host.Call(code.code, input, instance, "a code by number");
    if (code.answer == Answer::Text && result.u32 != kFail && result.ptr != nullptr)
        ReadText(static_cast<const char*>(result.ptr));
    if (code.answer == Answer::Failure)
        FUZZ_CHECK(result.u32 == kFail);
    if (code.code == kGetNumParameters)
        FUZZ_CHECK(result.u32 == kParameterCount);
}

void ReadInfo(HostSession& host)
{
    const auto* info = static_cast<const InfoRecord*>(
        host.Call(kGetInfo, MixedPtr(nullptr), nullptr, "GetInfo").ptr);
    FUZZ_CHECK(info != nullptr && std::memcmp(info->id, "VDRX", 4) == 0);
    const auto* extended = static_cast<const ExtendedInfoRecord*>(
        host.Call(kGetExtendedInfo, MixedPtr(nullptr), nullptr, "GetExtendedInfo").ptr);
    FUZZ_CHECK(extended != nullptr);
    ReadText(extended->description);
    ReadText(extended->about);
}

// The two calls a host makes for a preview: its size first, then the pixels.
void ReadPreview(HostSession& host)
{
    PreviewImageInOut record{};
    if (host.Call(kGetPreviewImage, MixedPtr(&record), nullptr, "GetPreviewImage").u32 != kOk)
        return;
    FUZZ_CHECK(record.width <= 4096 && record.height <= 4096);
    std::vector<std::uint8_t> pixels(std::size_t{record.width} * record.height * 4);
    record.pixels = pixels.data();
    host.Call(kGetPreviewImage, MixedPtr(&record), nullptr, "GetPreviewImage");
}

// A text copied into a buffer of the host's, which may be too small for it or empty.
void CopyText(HostSession& host, std::uint32_t code, ByteReader& reader)
{
    void* instance = host.PickTarget(reader);
    std::vector<char> buffer(reader.Pick(300));
    TextRequestIn record{PickIndex(reader), 0, buffer.data(),
                         static_cast<std::uint32_t>(buffer.size()), 0};
    host.Call(code, reader.Pick(8) == 0 ? MixedPtr(nullptr) : MixedPtr(&record), instance,
              "a text into the host's buffer");
}
} // namespace

void RawCode(HostSession& host, ByteReader& reader)
{
    const std::uint32_t choice = reader.Pick(std::size(kCodes) + 4);
    if (choice < std::size(kCodes))
        CallCode(host, kCodes[choice], reader);
    else if (choice == std::size(kCodes))
        ReadInfo(host);
    else if (choice == std::size(kCodes) + 1)
        ReadPreview(host);
    else
        CopyText(host, reader.Flag() ? kGetParameterExtraText : kGetParameterDisplayName, reader);
}

void TakeEvents(HostSession& host, ByteReader& reader)
{
    void* instance = host.PickTarget(reader);
    std::vector<EventEntry> entries(reader.Pick(16));
    EventsInOut record{static_cast<std::uint32_t>(entries.size()), 0,
                       entries.empty() ? nullptr : entries.data()};
    if (host.Call(kGetParameterEvents, MixedPtr(&record), instance, "GetParameterEvents").u32 !=
            kOk ||
        entries.empty())
        return;
    FUZZ_CHECK(record.count <= entries.size());
    for (std::uint32_t i = 0; i < record.count; ++i)
        FUZZ_CHECK(entries[i].parameter < kParameterCount && entries[i].bits != 0);
}
} // namespace hostfuzz
