// The fuzzer's video host: the seamed plug-in loaded once, as a host loads it, on a GL 4.1 core
// context, with the virtual clock and the network stand-in in its seams. Each input is a
// sequence of host calls on up to four live instances, all deleted at its end; every call goes
// through Call, which checks after it what holds whatever the call was.
#pragma once

#include "fuzz/ByteReader.h"
#include "fuzz/GlHostState.h"
#include "fuzz/PromiseChecks.h"
#include "tools/testhost/GlContext.h"
#include "tools/testhost/PluginLibrary.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hostfuzz
{
// An instance the host holds, with the texts it set on it.
struct LiveInstance
{
    void* id = nullptr;
    double time = 0.0; // the last clip time given
    std::array<std::optional<std::string>, testhost::kParameterCount> texts;
};

class HostSession
{
public:
    static constexpr std::size_t kMostInstances = 4;

    explicit HostSession(const char* pluginPath);

    void RunInput(const std::uint8_t* data, std::size_t size);

    // One plugMain call, then the checks: the host's GL state, the plug-in's GL objects, the
    // bounds on threads and descriptors, and that a call for an instance fails without one.
    // `what` names the call in reports; `width` x `height` is the viewport it is made with.
    testhost::Mixed Call(std::uint32_t code, testhost::Mixed input, void* instance,
                         const char* what, std::uint32_t width = GlHostState::kSide,
                         std::uint32_t height = GlHostState::kSide);

    // A live instance chosen by the input, or null when there is none.
    LiveInstance* PickInstance(ByteReader& reader);
    // The id of a live instance chosen by the input, or null: when there is none, or when the
    // input chooses it (a host's mistake).
    void* PickTarget(ByteReader& reader);
    std::vector<LiveInstance>& Instances() { return instances; }
    // Deletes the instance in `slot` of Instances().
    void DeleteInstance(std::size_t slot);
    GlHostState& Gl() { return *gl; }

private:
    void EndInput();

    std::unique_ptr<testhost::GlContext> context;
    testhost::PluginLibrary plugin;
    std::unique_ptr<GlHostState> gl;
    std::vector<LiveInstance> instances;
};

// A parameter index chosen by the input: mostly a valid one, now and then one beyond them.
std::uint32_t PickIndex(ByteReader& reader);

// What an input can ask of the host, one call or a few each. Each reads its choices from the
// input and makes its calls through the session.
using HostAction = void (*)(HostSession& host, ByteReader& reader);
void Instantiate(HostSession& host, ByteReader& reader);
void Deinstantiate(HostSession& host, ByteReader& reader);
void Initialise(HostSession& host, ByteReader& reader);
void Resize(HostSession& host, ByteReader& reader);
void SetParameter(HostSession& host, ByteReader& reader);
void ReadParameter(HostSession& host, ByteReader& reader);
void PressTest(HostSession& host, ByteReader& reader);
void SetTime(HostSession& host, ByteReader& reader);
void SetBeatInfo(HostSession& host, ByteReader& reader);
void ProcessFrame(HostSession& host, ByteReader& reader);
void PlayFrames(HostSession& host, ByteReader& reader);
void AdvanceClock(HostSession& host, ByteReader& reader);
void LetThreadsRun(HostSession& host, ByteReader& reader);
void TakeEvents(HostSession& host, ByteReader& reader);
void RawCode(HostSession& host, ByteReader& reader);
} // namespace hostfuzz
