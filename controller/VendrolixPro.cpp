// Construction, the twelve parameters and their conversions, display texts and GL set-up.
#include "controller/VendrolixPro.h"

#include "controller/PortText.h"
#include "sending/SendScheduler.h"
#include "osc/OscEncoder.h"
#include "osc/OscTextMessage.h"
#include "ffgl/DisplayNumber.h"
#include "ffgl/HostLog.h"
#include "glutil/PassThrough.h"
#include "platform/SteadyClock.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace
{
// Process-wide, one per operation, unguarded: a pointer handed to the host stays valid until
// the next call of the same operation on any instance. Texts are read back whole, so that a
// host saving and restoring a composition gets back what it set.
std::string textParameterBuffer;
char displayBuffer[256];

// A typed text in a log line: whole when short, else its start.
std::string Shown(const std::string& text)
{
    constexpr std::size_t kShown = 60;
    return text.size() <= kShown ? text : text.substr(0, kShown) + "...";
}

void CopyToBuffer(char (&buffer)[256], const char* text, std::size_t length)
{
    const std::size_t copied = std::min(length, sizeof buffer - 1);
    std::memcpy(buffer, text, copied);
    buffer[copied] = '\0';
}

// Integer rounding to the nearest 100 ms, as every delay and the duration are stored.
std::int32_t ToNearestHundred(std::int32_t ms)
{
    return (ms + 50) / 100 * 100;
}

// Host seconds to stored milliseconds, 0..10000 to the nearest 100.
std::int32_t DurationMsFromSeconds(float seconds)
{
    const double clamped = std::isnan(seconds) ? 0.0 : std::max(0.0, static_cast<double>(seconds));
    const auto ms = static_cast<std::int32_t>(std::min(clamped, 1e6) * 1000.0 + 0.5);
    return std::clamp(ToNearestHundred(ms), 0, 10000);
}

// Host milliseconds to a stored delay, 0..900000 to the nearest 100.
std::int32_t DelayMsFromHost(float value)
{
    const double bounded =
        std::isnan(value) ? 0.0 : std::clamp(static_cast<double>(value), -1.0, 1e6);
    const auto ms = std::clamp(static_cast<std::int32_t>(bounded + 0.5), 0, 900000);
    return ToNearestHundred(ms);
}

std::int32_t LayerFromHost(float value)
{
    const double bounded =
        std::isnan(value) ? 0.0 : std::clamp(static_cast<double>(value), -1.0, 100.0);
    return std::clamp(static_cast<std::int32_t>(bounded + 0.5), 0, 64);
}

std::int32_t SwitchFromHost(float value)
{
    return value >= 0.5f ? 1 : 0;
}
} // namespace

VendrolixPro::VendrolixPro() : CFFGLPlugin(false)
{
    std::memcpy(statusText.data(), "idle", 5);
    SetMinInputs(0);
    SetMaxInputs(1);
    SetTimeSupported(true);

    // Each default is what the getter answers for the initial settings.
    using ffgl::ParameterType::Boolean;
    using ffgl::ParameterType::Event;
    using ffgl::ParameterType::Standard;
    using ffgl::ParameterType::Text;
    AddParameter(LayerTrans, "LayerTrans", Boolean, GetFloatParameter(LayerTrans));
    AddParameter(Duration, "Duration", Standard, GetFloatParameter(Duration));
    SetParameterRange(Duration, 0.0f, 10.0f);
    AddParameter(Delay, "Delay", Standard, GetFloatParameter(Delay));
    SetParameterRange(Delay, 0.0f, 900000.0f);
    AddParameter(NextClip, "NextClip", Boolean, GetFloatParameter(NextClip));
    AddParameter(DelayNextClip, "DelayNextClip", Standard, GetFloatParameter(DelayNextClip));
    SetParameterRange(DelayNextClip, 0.0f, 900000.0f);
    AddTextParameter(OscMsg, "OSC Msg", Text, "");
    AddParameter(MessageDelay, "DlayOSCmsg (s)", Standard, GetFloatParameter(MessageDelay));
    SetParameterRange(MessageDelay, 0.0f, 900000.0f);
    AddParameter(Test, "Test", Event, GetFloatParameter(Test));
    AddParameter(Status, "Status", Standard, GetFloatParameter(Status));
    SetParameterRange(Status, 0.0f, 1.0f);
    AddParameter(Layer, "Layer (0=sel)", Standard, GetFloatParameter(Layer));
    SetParameterRange(Layer, 0.0f, 64.0f);
    AddTextParameter(OscHost, "OSC Host", Text, "127.0.0.1");
    AddTextParameter(OscPort, "OSC Port", Text, "7000");
    AddParameter(DelaysInBeats, "Delays in beats", Boolean, GetFloatParameter(DelaysInBeats));
    SetParameterDisplayName(Status, "", false);
    ffgl::SendHostLog("Created VendrolixPro");
}

// What waits for its deadline goes no more; a message the scheduler has taken still goes, with
// its own copy of everything.
VendrolixPro::~VendrolixPro()
{
    CancelWaiting();
    if (sending.load())
        SendScheduler::Shared().Needs().Clear(sendChannel.get());
}

void VendrolixPro::SettingChanged()
{
    CancelWaiting(); // a waiting message goes with the new setting, or not at all
    for (std::atomic<bool>& told : calledOffTold)
        told.store(false);
}

std::uint32_t VendrolixPro::Create(CFFGLPlugin** out)
{
    *out = new (std::nothrow) VendrolixPro();
    return *out ? ffgl::kSuccess : ffgl::kFailure;
}

std::uint32_t VendrolixPro::InitGL(const ffgl::ViewportRecord* hostViewport)
{
    SetParameterDisplayName(Status, "", false);
    if (!ffglex::SetUpPassThrough(shader, quad))
    {
        DeInitGL();
        return ffgl::kFailure;
    }
    StoreViewport(hostViewport);
    BeginSending();
    return ffgl::kSuccess;
}

void VendrolixPro::BeginSending()
{
    // The scheduler's thread starts with the first instance that has GL: never at the host's
    // load or scan, never in a frame. One that cannot start shows as "err" on every message,
    // with its log line.
    SendScheduler::Shared().Start();
    sending.store(true);
    PrefetchHost();
    SendScheduler::Shared().ReadNeedsNow();
}

std::uint32_t VendrolixPro::DeInitGL()
{
    ffglex::ReleasePassThrough(shader, quad);
    return ffgl::kSuccess;
}

std::uint32_t VendrolixPro::SetFloatParameter(std::uint32_t index, float value)
{
    if (index == Duration || index == Delay || index == DelayNextClip || index == MessageDelay ||
        index == Layer)
    {
        float minimum = 0.0f;
        float maximum = 1.0f;
        GetParamRange(index, minimum, maximum);
        value = value < minimum ? minimum : std::min(value, maximum);
    }
    const auto store = [this](std::atomic<std::int32_t>& setting, std::int32_t stored)
    {
        if (setting.exchange(stored) != stored)
        {
            SettingChanged();
            PrefetchHost(); // the cues' moments follow the setting
        }
        return ffgl::kSuccess;
    };
    switch (index)
    {
    case LayerTrans:
        return store(layerTransitionEnabled, SwitchFromHost(value));
    case NextClip:
        return store(nextClipEnabled, SwitchFromHost(value));
    case Duration:
        return store(transitionDurationMs, DurationMsFromSeconds(value));
    case Delay:
        return store(delayMs, DelayMsFromHost(value));
    case DelayNextClip:
        return store(nextClipDelayMs, DelayMsFromHost(value));
    case MessageDelay:
        return store(messageDelayMs, DelayMsFromHost(value));
    case Test:
        if (value != 0.0f) // a value that is not a number fires too
            RunTest();
        return ffgl::kSuccess;
    case Status:
        return ffgl::kSuccess;
    case Layer:
        return store(layerNumber, LayerFromHost(value));
    case DelaysInBeats:
        if (delaysInBeats.exchange(SwitchFromHost(value)) != SwitchFromHost(value))
        {
            SettingChanged();
            PrefetchHost();
            for (const std::uint32_t delay : {Delay, DelayNextClip, MessageDelay})
                RaiseParameterEvents(delay, ffgl::EventBit::ValueChanged); // their unit changed
        }
        return ffgl::kSuccess;
    default:
        return ffgl::kFailure;
    }
}

float VendrolixPro::GetFloatParameter(std::uint32_t index)
{
    switch (index)
    {
    case LayerTrans:
        return layerTransitionEnabled.load() != 0 ? 1.0f : 0.0f;
    case Duration:
        return static_cast<float>(transitionDurationMs.load()) / 1000.0f;
    case Delay:
        return static_cast<float>(delayMs.load());
    case NextClip:
        return nextClipEnabled.load() != 0 ? 1.0f : 0.0f;
    case DelayNextClip:
        return static_cast<float>(nextClipDelayMs.load());
    case MessageDelay:
        return static_cast<float>(messageDelayMs.load());
    case Status:
        // The value only exists to change, so the host reads the display text again.
        return statusSerial.load() % 2 != 0 ? 0.0001f : 0.0f;
    case Layer:
        return static_cast<float>(layerNumber.load());
    case DelaysInBeats:
        return delaysInBeats.load() != 0 ? 1.0f : 0.0f;
    default:
        return 0.0f;
    }
}

std::uint32_t VendrolixPro::SetTextParameter(std::uint32_t index, const char* text)
{
    std::string* target = index == OscHost   ? &oscHost
                          : index == OscPort ? &oscPort
                          : index == OscMsg  ? &oscMessageText
                                             : nullptr;
    if (!target)
        return ffgl::kFailure;
    std::string copy = text ? text : ""; // allocate before taking the lock
    bool changed = false;
    {
        const std::lock_guard lock(settingsMutex);
        changed = *target != copy;
        target->swap(copy); // `copy` now holds the old text, freed after the lock
        if (index == OscMsg)
            messageTextPresent.store(!target->empty());
    }
    if (!changed)
        return ffgl::kSuccess;
    const std::string typed = text ? text : "";
    if (index == OscMsg)
        EncodeFreeText(typed);
    if (index == OscPort)
        portNumber.store(ParsePort(typed, kDefaultOscPort));
    SettingChanged();
    if (index == OscMsg || index == OscPort)
        CheckTypedText(index, typed);
    PrefetchHost();
    if (sending.load() && (index == OscHost || index == OscPort))
        SendScheduler::Shared().ReadNeedsNow(); // a name just set is looked up at once
    return ffgl::kSuccess;
}

void VendrolixPro::EncodeFreeText(const std::string& text)
{
    std::vector<std::uint8_t> payload;
    if (const std::optional<osc::OscMessage> message = osc::ParseOscText(text))
        payload = osc::EncodeOscMessage(message->address, message->strings, message->ints,
                                        message->floats);
    const std::lock_guard lock(settingsMutex);
    freeTextPayload.swap(payload); // the old one freed after the lock
}

void VendrolixPro::CheckTypedText(std::uint32_t index, const std::string& text) const
{
    std::string problem;
    if (index == OscMsg && !text.empty() && !osc::ParseOscText(text, &problem))
        ffgl::SendHostLog(("VendrolixOSC: \"OSC Msg\" " + Shown(text) +
                           " is not an OSC message: " + problem + "; it will not be sent")
                              .c_str());
    if (index == OscPort && !IsPlainPort(text))
        ffgl::SendHostLog(("VendrolixOSC: \"OSC Port\" " + Shown(text) +
                           " is not a port number from 1 to 65535; " +
                           std::to_string(ParsePort(text, kDefaultOscPort)) + " is used")
                              .c_str());
}

char* VendrolixPro::GetTextParameter(std::uint32_t index)
{
    const std::string* source = index == OscHost   ? &oscHost
                                : index == OscPort ? &oscPort
                                : index == OscMsg  ? &oscMessageText
                                                   : nullptr;
    if (!source)
    {
        textParameterBuffer.clear();
        return textParameterBuffer.data();
    }
    const std::lock_guard lock(settingsMutex);
    textParameterBuffer = *source;
    return textParameterBuffer.data();
}

const char* VendrolixPro::GetParameterDisplay(std::uint32_t index)
{
    switch (index)
    {
    case Status:
    {
        const std::lock_guard lock(statusMutex);
        CopyToBuffer(displayBuffer, statusText.data(), std::strlen(statusText.data()));
        return displayBuffer;
    }
    case Delay:
    case DelayNextClip:
    case MessageDelay:
    {
        // The same value counts seconds or, switched to beats, beats: 16000 is 16.0 of either.
        const std::size_t length =
            ffgl::FormatDecimal(displayBuffer, sizeof displayBuffer - 8,
                                static_cast<double>(GetFloatParameter(index)) / 1000.0, 1);
        std::strcpy(displayBuffer + length, delaysInBeats.load() != 0 ? " beats" : "s");
        return displayBuffer;
    }
    default:
        return CFFGLPlugin::GetParameterDisplay(index);
    }
}

void VendrolixPro::WriteStatus(std::string_view text)
{
    {
        const std::lock_guard lock(statusMutex);
        const std::size_t length = std::min(text.size(), statusText.size() - 1);
        std::memcpy(statusText.data(), text.data(), length);
        statusText[length] = '\0';
        countdownShown = false;
    }
    statusSerial.fetch_add(1);
    RaiseParameterEvents(Status, ffgl::EventBit::ValueChanged);
}
