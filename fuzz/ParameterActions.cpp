// Parameters as a host sets and reads them: every index, valid or not; texts with zero bytes,
// of 64 KiB and more, not UTF-8; numbers of every kind; Test presses. What is set reads back
// as the README says, and every display matches its value.
#include "fuzz/FuzzCheck.h"
#include "fuzz/HostSession.h"
#include "fuzz/NetworkStandIn.h"
#include "tools/testhost/FunctionCode.h"

#include <cstring>

namespace hostfuzz
{
namespace
{
using testhost::Mixed;
using testhost::MixedPtr;
using testhost::MixedU32;

// Texts a user types into the three text parameters, the README's examples among them, and
// names the network stand-in answers each way.
constexpr const char* kTexts[] = {
    "",
    "127.0.0.1",
    "::1",
    "localhost",
    "studio-pc",
    "dead.nope",
    "slow.again",
    "broken.fail",
    "hung.never",
    "7000",
    "70000",
    "abc",
    "1e4",
    "0",
    "65535",
    "/a i 3",
    "/a f 0.5",
    "/a s two words",
    "/a a 0.5",
    "/a 0.75",
    "/a",
    "x/y 1",
    "/x/y i abc",
    "/a f 1e39",
    "/a f -0",
    "/a f nan",
    "/a i 99999999999",
    "/composition/tempocontroller/tempo f 120",
    "\xff\xfe/\xc0\x80 \xed\xa0\x80",
    "studio.drift",
};

// A text as the host hands it over: its bytes may hold zeros, and the text ends at the first.
struct HostText
{
    std::string bytes;
    bool null = false;

    const char* Pointer() const { return null ? nullptr : bytes.c_str(); }
    std::string AsSet() const { return null ? std::string() : std::string(bytes.c_str()); }
};

HostText PickText(ByteReader& reader)
{
    switch (reader.Pick(5))
    {
    case 0:
        return HostText{kTexts[reader.Pick(std::size(kTexts))]};
    case 1:
    {
        // A piece repeated to 64 KiB and more.
        const std::string piece = reader.Bytes(16) + "/";
        std::string text;
        const std::size_t length = 65536 + reader.U32() % 65536;
        while (text.size() < length)
            text += piece;
        return HostText{text};
    }
    case 2:
        return HostText{std::string(), true};
    default:
        return HostText{reader.Bytes(300)};
    }
}

Mixed SetFloat(HostSession& host, void* instance, std::uint32_t index, float value)
{
    testhost::SetParameterIn record{index, 0, MixedU32(0)};
    record.value.f32 = value;
    return host.Call(testhost::kSetParameter, MixedPtr(&record), instance, "SetParameter");
}

float GetFloat(HostSession& host, void* instance, std::uint32_t index)
{
    return host.Call(testhost::kGetParameter, MixedU32(index), instance, "GetParameter").f32;
}

std::string GetText(HostSession& host, void* instance, std::uint32_t index)
{
    return ReadText(static_cast<const char*>(
        host.Call(testhost::kGetParameter, MixedU32(index), instance, "GetParameter").ptr));
}

std::string Display(HostSession& host, void* instance, std::uint32_t index)
{
    return ReadText(static_cast<const char*>(
        host.Call(testhost::kGetParameterDisplay, MixedU32(index), instance, "GetParameterDisplay")
            .ptr));
}

// The display of a valid parameter against what it holds.
void CheckDisplayOf(HostSession& host, const LiveInstance& live, std::uint32_t index)
{
    const std::string display = Display(host, live.id, index);
    if (index == testhost::StatusIndex)
        CheckStatus(display);
    else if (IsTextParameter(index))
        FUZZ_CHECK(display == GetText(host, live.id, index));
    else
        CheckDisplay(index, GetFloat(host, live.id, index),
                     GetFloat(host, live.id, testhost::DelaysInBeatsIndex) != 0.0f, display);
}

void SetText(HostSession& host, void* instance, std::uint32_t index, ByteReader& reader)
{
    const HostText text = PickText(reader);
    testhost::SetParameterIn record{index, 0, MixedPtr(text.Pointer())};
    const bool set =
        host.Call(testhost::kSetParameter, MixedPtr(&record), instance, "SetParameter (text)")
            .u32 == testhost::kOk;
    if (instance && set && index == testhost::OscHostIndex)
        NetworkStandIn::HostSet(text.AsSet());
    for (LiveInstance& live : host.Instances())
        if (live.id == instance && set)
        {
            live.texts[index] = text.AsSet();
            FUZZ_CHECK(GetText(host, instance, index) == *live.texts[index]);
        }
}
} // namespace

void SetParameter(HostSession& host, ByteReader& reader)
{
    LiveInstance* live = host.PickInstance(reader);
    void* instance = live && reader.Pick(8) != 0 ? live->id : nullptr;
    const std::uint32_t index = PickIndex(reader);
    if (IsTextParameter(index))
    {
        SetText(host, instance, index, reader);
        return;
    }
    const float value = reader.Float();
    const bool set = SetFloat(host, instance, index, value).u32 == testhost::kOk;
    if (instance && set && index < testhost::kParameterCount)
    {
        CheckStoredValue(index, value, GetFloat(host, instance, index));
        CheckDisplayOf(host, *live, index);
    }
}

void ReadParameter(HostSession& host, ByteReader& reader)
{
    const std::uint32_t index = PickIndex(reader);
    const Mixed name =
        host.Call(testhost::kGetParameterName, MixedU32(index), nullptr, "GetParameterName");
    if (index < testhost::kParameterCount)
        ReadText(static_cast<const char*>(name.ptr));
    const LiveInstance* live = host.PickInstance(reader);
    if (!live)
        return;
    if (index >= testhost::kParameterCount)
    {
        host.Call(testhost::kGetParameter, MixedU32(index), live->id, "GetParameter");
        host.Call(testhost::kGetParameterDisplay, MixedU32(index), live->id, "GetParameterDisplay");
        return;
    }
    if (IsTextParameter(index) && live->texts[index])
        FUZZ_CHECK(GetText(host, live->id, index) == *live->texts[index]);
    CheckDisplayOf(host, *live, index);
}

void PressTest(HostSession& host, ByteReader& reader)
{
    void* instance = host.PickTarget(reader);
    SetFloat(host, instance, testhost::TestIndex, 1.0f);
    SetFloat(host, instance, testhost::TestIndex, 0.0f);
    if (instance)
        CheckStatus(Display(host, instance, testhost::StatusIndex));
}
} // namespace hostfuzz
