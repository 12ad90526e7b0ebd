// The encoder against liblo building and serialising the same three messages:
// transition duration, next clip, and a free-text message. Before timing anything, checks that
// both produce the same bytes. Results: docs/performance.md.
#include "osc/OscEncoder.h"
#include "osc/OscTextMessage.h"

#include <benchmark/benchmark.h>
#include <bit>
#include <lo/lo.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
const char* const kDurationAddress = "/composition/selectedlayer/transition/duration";
const char* const kNextClipAddress = "/composition/selectedlayer/connectnextclip";
const char* const kFreeText = "/composition/tempocontroller/tempo f 128.5";
const char* const kFreeTextAddress = "/composition/tempocontroller/tempo";

// --- this project's encoder ------------------------------------------------------------------

// The argument lists built as RunSendJob builds them: arrays on the stack.
std::vector<std::uint8_t> EncodeDuration()
{
    const float floats[] = {0.5f};
    const std::string strings[] = {"a"};
    return osc::EncodeOscMessage(kDurationAddress, strings, {}, floats);
}
std::vector<std::uint8_t> EncodeNextClip()
{
    const std::int32_t ints[] = {1};
    return osc::EncodeOscMessage(kNextClipAddress, {}, ints, {});
}
std::vector<std::uint8_t> EncodeFreeText()
{
    const float floats[] = {128.5f};
    return osc::EncodeOscMessage(kFreeTextAddress, {}, {}, floats);
}

// The argument lists built once, as a caller holding them would pass them.
void BM_Encoder_Prebuilt(benchmark::State& state, const char* address,
                         std::vector<std::string> strings, std::vector<std::int32_t> ints,
                         std::vector<float> floats)
{
    for (auto _ : state)
    {
        std::vector<std::uint8_t> bytes = osc::EncodeOscMessage(address, strings, ints, floats);
        benchmark::DoNotOptimize(bytes.data());
        benchmark::ClobberMemory();
    }
}

// The same bytes appended section by section with the public building blocks, as the algorithm
// reads: the layout EncodeOscMessage had before it sized the buffer first.
void BM_Encoder_Appending(benchmark::State& state, const char* address,
                          std::vector<std::string> strings, std::vector<std::int32_t> ints,
                          std::vector<float> floats)
{
    for (auto _ : state)
    {
        std::string tags = ",";
        tags.append(strings.size(), 's').append(ints.size(), 'i').append(floats.size(), 'f');
        std::vector<std::uint8_t> bytes;
        bytes.reserve(256);
        osc::AppendOscString(bytes, address);
        osc::AppendOscString(bytes, tags);
        for (const std::string& text : strings)
            osc::AppendOscString(bytes, text);
        for (const std::int32_t value : ints)
            osc::AppendBigEndian32(bytes, static_cast<std::uint32_t>(value));
        for (const float value : floats)
            osc::AppendBigEndian32(bytes, std::bit_cast<std::uint32_t>(value));
        benchmark::DoNotOptimize(bytes.data());
        benchmark::ClobberMemory();
    }
}

// The argument lists built on every call, as the sender threads do (and as liblo must).
template <std::vector<std::uint8_t> (*Encode)()> void BM_Encoder_WithLists(benchmark::State& state)
{
    for (auto _ : state)
    {
        std::vector<std::uint8_t> bytes = Encode();
        benchmark::DoNotOptimize(bytes.data());
        benchmark::ClobberMemory();
    }
}

// The free text parsed and encoded (what SendOscText does before its socket calls).
void BM_Encoder_FreeTextParsed(benchmark::State& state)
{
    for (auto _ : state)
    {
        const std::optional<osc::OscMessage> message = osc::ParseOscText(kFreeText);
        std::vector<std::uint8_t> bytes = osc::EncodeOscMessage(message->address, message->strings,
                                                                message->ints, message->floats);
        benchmark::DoNotOptimize(bytes.data());
        benchmark::ClobberMemory();
    }
}

// --- liblo -------------------------------------------------------------------------------------

lo_message LibloDuration()
{
    lo_message m = lo_message_new();
    lo_message_add_string(m, "a");
    lo_message_add_float(m, 0.5f);
    return m;
}
lo_message LibloNextClip()
{
    lo_message m = lo_message_new();
    lo_message_add_int32(m, 1);
    return m;
}
lo_message LibloFreeText()
{
    lo_message m = lo_message_new();
    lo_message_add_float(m, 128.5f);
    return m;
}

// lo_message_new, lo_message_add_*, lo_message_serialise into a buffer liblo allocates, free.
template <lo_message (*Build)()> void BM_Liblo(benchmark::State& state, const char* address)
{
    for (auto _ : state)
    {
        lo_message m = Build();
        std::size_t size = 0;
        void* bytes = lo_message_serialise(m, address, nullptr, &size);
        benchmark::DoNotOptimize(bytes);
        benchmark::ClobberMemory();
        std::free(bytes);
        lo_message_free(m);
    }
}

// The same, serialising into the caller's buffer (liblo's cheapest way).
template <lo_message (*Build)()>
void BM_Liblo_CallerBuffer(benchmark::State& state, const char* address)
{
    unsigned char buffer[256];
    for (auto _ : state)
    {
        lo_message m = Build();
        std::size_t size = 0;
        lo_message_serialise(m, address, buffer, &size);
        benchmark::DoNotOptimize(buffer);
        benchmark::ClobberMemory();
        lo_message_free(m);
    }
}

// --- the two sides must produce the same bytes -------------------------------------------------

bool SameBytes(const char* name, const std::vector<std::uint8_t>& ours, lo_message m,
               const char* address)
{
    std::size_t size = 0;
    void* theirs = lo_message_serialise(m, address, nullptr, &size);
    const bool same = theirs && size == ours.size() && std::memcmp(theirs, ours.data(), size) == 0;
    if (!same)
        std::fprintf(stderr, "%s: the encoder and liblo disagree\n", name);
    std::free(theirs);
    lo_message_free(m);
    return same;
}

bool CheckSameBytes()
{
    const auto parsed = osc::ParseOscText(kFreeText);
    return SameBytes("duration", EncodeDuration(), LibloDuration(), kDurationAddress) &
           SameBytes("next clip", EncodeNextClip(), LibloNextClip(), kNextClipAddress) &
           SameBytes("free text", EncodeFreeText(), LibloFreeText(), kFreeTextAddress) &
           SameBytes("free text parsed",
                     osc::EncodeOscMessage(parsed->address, parsed->strings, parsed->ints,
                                           parsed->floats),
                     LibloFreeText(), kFreeTextAddress);
}
} // namespace

int main(int argc, char** argv)
{
    if (!CheckSameBytes())
        return 1;
    // Grouped by message, each side by side: ours with the lists ready, ours building them,
    // liblo serialising into its own allocation, liblo into the caller's buffer.
    using benchmark::RegisterBenchmark;
    RegisterBenchmark("Duration/Encoder_Prebuilt", BM_Encoder_Prebuilt, kDurationAddress,
                      std::vector<std::string>{"a"}, std::vector<std::int32_t>{},
                      std::vector<float>{0.5f});
    RegisterBenchmark("Duration/Encoder_Appending", BM_Encoder_Appending, kDurationAddress,
                      std::vector<std::string>{"a"}, std::vector<std::int32_t>{},
                      std::vector<float>{0.5f});
    RegisterBenchmark("Duration/Encoder_WithLists", BM_Encoder_WithLists<&EncodeDuration>);
    RegisterBenchmark("Duration/Liblo", BM_Liblo<&LibloDuration>, kDurationAddress);
    RegisterBenchmark("Duration/Liblo_CallerBuffer", BM_Liblo_CallerBuffer<&LibloDuration>,
                      kDurationAddress);

    RegisterBenchmark("NextClip/Encoder_Prebuilt", BM_Encoder_Prebuilt, kNextClipAddress,
                      std::vector<std::string>{}, std::vector<std::int32_t>{1},
                      std::vector<float>{});
    RegisterBenchmark("NextClip/Encoder_Appending", BM_Encoder_Appending, kNextClipAddress,
                      std::vector<std::string>{}, std::vector<std::int32_t>{1},
                      std::vector<float>{});
    RegisterBenchmark("NextClip/Encoder_WithLists", BM_Encoder_WithLists<&EncodeNextClip>);
    RegisterBenchmark("NextClip/Liblo", BM_Liblo<&LibloNextClip>, kNextClipAddress);
    RegisterBenchmark("NextClip/Liblo_CallerBuffer", BM_Liblo_CallerBuffer<&LibloNextClip>,
                      kNextClipAddress);

    RegisterBenchmark("FreeText/Encoder_Prebuilt", BM_Encoder_Prebuilt, kFreeTextAddress,
                      std::vector<std::string>{}, std::vector<std::int32_t>{},
                      std::vector<float>{128.5f});
    RegisterBenchmark("FreeText/Encoder_Appending", BM_Encoder_Appending, kFreeTextAddress,
                      std::vector<std::string>{}, std::vector<std::int32_t>{},
                      std::vector<float>{128.5f});
    RegisterBenchmark("FreeText/Encoder_WithLists", BM_Encoder_WithLists<&EncodeFreeText>);
    RegisterBenchmark("FreeText/Encoder_ParseAndEncode", BM_Encoder_FreeTextParsed);
    RegisterBenchmark("FreeText/Liblo", BM_Liblo<&LibloFreeText>, kFreeTextAddress);
    RegisterBenchmark("FreeText/Liblo_CallerBuffer", BM_Liblo_CallerBuffer<&LibloFreeText>,
                      kFreeTextAddress);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
