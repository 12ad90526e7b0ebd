#include "fuzz/PluginReplay.h"

#include "controller/VendrolixPro.h"
#include "fuzz/MessageLedger.h"
#include "fuzz/ShowReport.h"
#include "platform/SteadyClock.h"

#include <atomic>
#include <cstdio>
#include <limits>
#include <memory>

namespace showfuzz
{
namespace
{
std::atomic<std::int64_t> replayNowUs{0};

std::int64_t ReplayClockUs()
{
    return replayNowUs.load();
}

SendQueue& ReplayQueue()
{
    static SendQueue queue;
    return queue;
}

// The replay's clock and queue in the plug-in's seams for as long as it runs.
class Seams
{
public:
    Seams()
        : clock(platform::InstallClockSource(&ReplayClockUs)),
          queue(VendrolixPro::InstallSendQueue(&ReplayQueue()))
    {
    }
    ~Seams()
    {
        ScheduledMessage rest;
        while (ReplayQueue().TakeDue(std::numeric_limits<std::int64_t>::max(), rest))
        {
        }
        VendrolixPro::InstallSendQueue(queue);
        platform::InstallClockSource(clock);
    }
    Seams(const Seams&) = delete;
    Seams& operator=(const Seams&) = delete;

private:
    platform::ClockSource clock;
    SendQueue* queue;
};

std::unique_ptr<VendrolixPro> NewInstance(const Show& show)
{
    auto effect = std::make_unique<VendrolixPro>();
    effect->SetOwner(effect.get());
    using P = VendrolixPro;
    effect->SetFloatParameter(P::LayerTrans, 1.0f);
    effect->SetFloatParameter(P::NextClip, 1.0f);
    effect->SetTextParameter(P::OscMsg, "/cue i 1");
    effect->SetFloatParameter(P::Delay, static_cast<float>(show.delaysMs[kTransition]));
    effect->SetFloatParameter(P::DelayNextClip, static_cast<float>(show.delaysMs[kNextClip]));
    effect->SetFloatParameter(P::MessageDelay, static_cast<float>(show.delaysMs[kFreeText]));
    return effect;
}

class Replay
{
public:
    Replay(const Show& shown, bool tracing) : show(shown), trace(tracing) {}

    // The failure, or none; what was sent in `sent`.
    std::optional<ShowFailure> Run()
    {
        const ffgl::FrameDataRecord noInputs{0, nullptr};
        std::int64_t lastUs = 0;
        for (std::size_t i = 0; i < show.calls.size(); ++i)
        {
            const ShowCall& call = show.calls[i];
            // Due since the last call: sent at its deadline, before this call.
            Take(call.atUs, lastUs, i == 0 ? 0 : i - 1, call.life - (call.kind == ShowCall::Kind::Join ? 1 : 0));
            replayNowUs = lastUs = call.atUs;
            switch (call.kind)
            {
            case ShowCall::Kind::Join:
                effect.reset();
                if (ReplayQueue().Waiting() != 0)
                    return ShowFailure{i, kNever, "messages of a deleted instance still wait"};
                effect = NewInstance(show);
                break;
            case ShowCall::Kind::Time:
                effect->SetTime(call.time);
                break;
            case ShowCall::Kind::Frame:
                effect->ProcessOpenGL(&noInputs);
                break;
            case ShowCall::Kind::Test:
                effect->SetFloatParameter(VendrolixPro::Test, 1.0f);
                break;
            }
            // Scheduled by this call for a moment already passed: sent now.
            Take(call.atUs, call.atUs, i, call.life);
        }
        effect.reset();
        return std::nullopt;
    }

    std::vector<SentMessage> sent;

private:
    void Take(std::int64_t untilUs, std::int64_t sinceUs, std::size_t call, int life)
    {
        ScheduledMessage message;
        while (ReplayQueue().TakeDue(untilUs, message))
        {
            sent.push_back(SentMessage{message.kind, std::max(message.deadlineUs, sinceUs), call, life});
            if (trace)
                std::fprintf(stderr, "  sent %s at %s\n", MessageName(message.kind),
                             Seconds(show, sent.back().atUs).c_str());
        }
    }

    const Show& show;
    const bool trace;
    std::unique_ptr<VendrolixPro> effect;
};

std::string ListSent(const Show& show, const std::vector<SentMessage>& sent, std::int64_t aroundUs)
{
    constexpr std::int64_t kAroundUs = 3'000'000;
    std::string text = "sent (from " + Seconds(show, aroundUs - kAroundUs) + "):\n";
    for (const SentMessage& message : sent)
        if (message.atUs >= aroundUs - kAroundUs && message.atUs <= aroundUs + 500000)
            text += "  " + Seconds(show, message.atUs) + " " + MessageName(message.kind) +
                    " (taken after call #" + std::to_string(message.call) + ")\n";
    return text;
}
} // namespace

std::optional<std::string> ReplayThroughPlugin(const Show& show, const JudgedShow& judged,
                                               bool trace)
{
    const Seams seams;
    Replay replay(show, trace);
    std::optional<ShowFailure> failure = replay.Run();
    if (!failure)
        failure = CheckMessages(show, judged, replay.sent);
    if (!failure)
        return std::nullopt;
    return Report("show fuzzer, through the plug-in", show, judged, *failure) +
           ListSent(show, replay.sent, show.calls[failure->call].atUs);
}
} // namespace showfuzz
