// Time and frames as hosts give them: clip times that are not numbers, infinite, negative,
// huge, denormal or a hair back; tempos of any kind; frames with a valid input (drawn through
// unchanged), none, null entries, odd sizes, a name that is no texture or several inputs; clips
// played on for a while; the clock moved on by a stall, and the plug-in's threads let run
// meanwhile.
#include "fuzz/FuzzCheck.h"
#include "fuzz/HostSession.h"
#include "fuzz/VirtualClock.h"
#include "tools/testhost/FunctionCode.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace hostfuzz
{
namespace
{
using testhost::Mixed;
using testhost::MixedPtr;
using testhost::TextureIn;

constexpr std::int64_t kFrameUs = 16667;

double NextTime(ByteReader& reader, double last)
{
    switch (reader.Pick(4))
    {
    case 0: // a hair back, as an audio clock jitters
        return last - static_cast<double>(reader.Byte() + 1) * 1e-5;
    case 1:
        return last + static_cast<double>(kFrameUs) / 1e6;
    case 2: // rising beyond what microseconds count
        return std::max(last, 9.3e12) * (1.0 + static_cast<double>(reader.Byte()) * 1e-6);
    default:
        return reader.Double();
    }
}

Mixed CallSetTime(HostSession& host, void* instance, double time)
{
    for (LiveInstance& live : host.Instances())
        if (live.id == instance)
            live.time = time;
    return host.Call(testhost::kSetTime, MixedPtr(&time), instance, "SetTime");
}

// The host's input textures for one frame, and the record that hands them over.
struct Frame
{
    std::vector<std::unique_ptr<testhost::RgbaTexture>> textures;
    std::vector<TextureIn> records;
    std::vector<TextureIn*> inputs;
    testhost::FrameIn record{};
    bool drawnUnchanged = false; // the first input is valid: the output must equal it

    void Add(const TextureIn& texture) { records.push_back(texture); }
    // A valid input of width x height in a texture allocated as large or larger.
    void AddValid(std::uint32_t width, std::uint32_t height, std::uint32_t extraWidth,
                  std::uint32_t extraHeight)
    {
        textures.push_back(std::make_unique<testhost::RgbaTexture>(
            testhost::GradientImage(width + extraWidth, height + extraHeight)));
        Add(TextureIn{width, height, width + extraWidth, height + extraHeight,
                      textures.back()->Name()});
    }
    const testhost::FrameIn* Seal(std::size_t nullEntries)
    {
        for (TextureIn& texture : records)
            inputs.push_back(&texture);
        inputs.insert(inputs.begin(), nullEntries, nullptr);
        record.inputCount = static_cast<std::uint32_t>(inputs.size());
        record.inputs = inputs.empty() ? nullptr : inputs.data();
        return &record;
    }
};

std::uint32_t Side(ByteReader& reader)
{
    return 1 + reader.Pick(GlHostState::kSide);
}

// Builds the frame the input chooses; null for no record at all.
const testhost::FrameIn* PickFrame(ByteReader& reader, Frame& frame)
{
    switch (reader.Pick(7))
    {
    case 0:
        return frame.Seal(0);
    case 1:
        frame.Add(TextureIn{});
        return frame.Seal(1 + reader.Pick(3));
    case 2: // zero and odd sizes around a real texture
        frame.AddValid(1 + reader.Pick(4), 1 + reader.Pick(4), 0, 0);
        frame.records.back().width = reader.U32() % 5;
        frame.records.back().hardwareHeight = reader.U32() % 3;
        return frame.Seal(0);
    case 3: // names that are no texture
        frame.Add(TextureIn{4, 4, 4, 4, reader.Flag() ? reader.U32() : 1 + reader.Pick(64)});
        return frame.Seal(0);
    case 4:
        return nullptr;
    default: // one valid input, and more behind it now and then
        frame.drawnUnchanged = true;
        frame.AddValid(Side(reader), Side(reader), reader.Pick(8), reader.Pick(8));
        for (std::uint32_t more = reader.Pick(3); more > 0; --more)
            frame.AddValid(1 + reader.Pick(8), 1 + reader.Pick(8), 0, 0);
        return frame.Seal(0);
    }
}

void CheckDrawnUnchanged(const GlHostState& gl, const TextureIn& input)
{
    const testhost::RgbaImage source =
        testhost::GradientImage(input.hardwareWidth, input.hardwareHeight);
    const testhost::RgbaImage drawn = gl.ReadViewport();
    for (std::uint32_t y = 0; y < input.height; ++y)
        for (std::uint32_t x = 0; x < input.width; ++x)
            FUZZ_CHECK(drawn.At(x, y) == source.At(x, y));
}

void Draw(HostSession& host, void* instance, ByteReader& reader)
{
    Frame frame;
    const testhost::FrameIn* record = PickFrame(reader, frame);
    const std::uint32_t width = frame.drawnUnchanged ? frame.records[0].width : GlHostState::kSide;
    const std::uint32_t height =
        frame.drawnUnchanged ? frame.records[0].height : GlHostState::kSide;
    const Mixed result = host.Call(testhost::kProcessOpenGL, MixedPtr(record), instance,
                                   "ProcessOpenGL", width, height);
    if (instance && frame.drawnUnchanged && result.u32 == testhost::kOk)
        CheckDrawnUnchanged(host.Gl(), frame.records[0]);
}

// Where play carries a clip of `length` seconds in `step` seconds: forwards or backwards it
// wraps, ping-pong it turns at either end (`direction` +1 or -1, turned there).
double Played(double time, double step, double length, bool pingPong, double& direction)
{
    double next = time + direction * step;
    if (pingPong && (next > length || next < 0.0))
    {
        direction = -direction;
        next = std::clamp(time + direction * step, 0.0, length);
    }
    return std::fmod(std::fmod(next, length) + length, length);
}
} // namespace

void SetTime(HostSession& host, ByteReader& reader)
{
    LiveInstance* live = host.PickInstance(reader);
    void* instance = live && reader.Pick(16) != 0 ? live->id : nullptr;
    const double time = NextTime(reader, live ? live->time : 0.0);
    if (reader.Pick(16) == 0)
        host.Call(testhost::kSetTime, MixedPtr(nullptr), instance, "SetTime (no record)");
    else
        CallSetTime(host, instance, time);
}

void SetBeatInfo(HostSession& host, ByteReader& reader)
{
    void* instance = host.PickTarget(reader);
    const testhost::BeatIn record{reader.Float(), reader.Float()};
    host.Call(testhost::kSetBeatInfo, reader.Pick(16) == 0 ? MixedPtr(nullptr) : MixedPtr(&record),
              instance, "SetBeatInfo");
}

void ProcessFrame(HostSession& host, ByteReader& reader)
{
    Draw(host, host.PickTarget(reader), reader);
}

void PlayFrames(HostSession& host, ByteReader& reader)
{
    LiveInstance* live = host.PickInstance(reader);
    if (!live)
        return;
    constexpr double kSpeeds[] = {1.0, 0.5, 2.0, 0.25, 8.0, 1.001};
    constexpr std::int64_t kPeriodsUs[] = {kFrameUs, 16666, 40000, 8333, 41708};
    const int frames = 1 + static_cast<int>(reader.Pick(48));
    const std::int64_t periodUs = kPeriodsUs[reader.Pick(std::size(kPeriodsUs))];
    const double step = static_cast<double>(periodUs) / 1e6 * kSpeeds[reader.Pick(6)];
    const double length = 0.25 + reader.Pick(40) * 0.25;
    const bool pingPong = reader.Pick(3) == 0;
    double direction = reader.Flag() ? 1.0 : -1.0;
    const bool withTempo = reader.Flag();
    const testhost::BeatIn tempo{reader.Float(), 0.0f};
    void* instance = live->id;
    if (!(live->time >= 0.0 && live->time <= length))
        live->time = 0.0;
    for (int i = 0; i < frames; ++i)
    {
        VirtualClock::Advance(periodUs);
        if (withTempo)
            host.Call(testhost::kSetBeatInfo, MixedPtr(&tempo), instance, "SetBeatInfo");
        CallSetTime(host, instance, Played(live->time, step, length, pingPong, direction));
        Frame frame;
        frame.AddValid(4, 4, 0, 0);
        const Mixed result = host.Call(testhost::kProcessOpenGL, MixedPtr(frame.Seal(0)), instance,
                                       "ProcessOpenGL", 4, 4);
        FUZZ_CHECK(result.u32 == testhost::kOk);
        CheckDrawnUnchanged(host.Gl(), frame.records[0]);
    }
}

void AdvanceClock(HostSession&, ByteReader& reader)
{
    constexpr std::int64_t kScalesUs[] = {1, kFrameUs, 1000, 1'000'000, 60'000'000};
    VirtualClock::Advance(kScalesUs[reader.Pick(std::size(kScalesUs))] * (1 + reader.Pick(20)));
}

void LetThreadsRun(HostSession&, ByteReader& reader)
{
    std::this_thread::sleep_for(std::chrono::microseconds(200 + 200 * reader.Pick(10)));
}
} // namespace hostfuzz
