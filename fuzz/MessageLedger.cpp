#include "fuzz/MessageLedger.h"

#include "fuzz/ShowReport.h"

#include <algorithm>

namespace showfuzz
{
namespace
{
// One sequence of the plug-in: a pass the tracker started, and when its messages may go.
struct Sequence
{
    std::size_t pass = 0;
    std::int64_t startedUs = 0;
    std::int64_t endsUs = 0;       // the call that started the next, a Test press, or the end
    std::optional<std::size_t> press;
    bool filled = false;
};

// The calls of one instance, and when it was deleted (the next was added, or the show ended).
struct Life
{
    int number = 0;
    std::size_t first = 0;
    std::size_t last = 0;
    std::int64_t endUs = 0;
};

std::vector<Life> Lives(const Show& show)
{
    std::vector<Life> lives;
    for (std::size_t i = 0; i < show.calls.size(); ++i)
    {
        if (lives.empty() || lives.back().number != show.calls[i].life)
        {
            if (!lives.empty())
                lives.back().endUs = show.calls[i].atUs;
            lives.push_back(Life{show.calls[i].life, i, i, 0});
        }
        lives.back().last = i;
    }
    if (!lives.empty())
        lives.back().endUs = show.calls[lives.back().last].atUs;
    return lives;
}

class Ledger
{
public:
    Ledger(const Show& shown, const JudgedShow& answers, const Life& calls)
        : show(shown), judged(answers), life(calls), endUs(calls.endUs)
    {
        for (std::size_t p = 0; p < show.passes.size(); ++p)
            if (show.passes[p].life == life.number && judged.startCall[p] != kNever)
                sequences.push_back(
                    Sequence{p, show.calls[judged.startCall[p]].atUs, endUs, std::nullopt});
        for (std::size_t s = 0; s < sequences.size(); ++s)
        {
            const std::size_t from = judged.startCall[sequences[s].pass];
            const std::size_t to =
                s + 1 < sequences.size() ? judged.startCall[sequences[s + 1].pass] : life.last;
            if (s + 1 < sequences.size())
                sequences[s].endsUs = sequences[s + 1].startedUs;
            for (std::size_t i = from; i <= to && !sequences[s].press; ++i)
                if (show.calls[i].kind == ShowCall::Kind::Test)
                {
                    sequences[s].press = i;
                    sequences[s].endsUs = std::min(sequences[s].endsUs, show.calls[i].atUs);
                }
        }
    }

    std::optional<ShowFailure> Check(std::vector<SentMessage> sent)
    {
        if (std::optional<ShowFailure> failure = TakePresses(sent))
            return failure;
        for (std::size_t kind = 0; kind < show.delaysMs.size(); ++kind)
            if (std::optional<ShowFailure> failure = CheckKind(kind, sent))
                return failure;
        return std::nullopt;
    }

private:
    std::int64_t DelayUs(std::size_t kind) const { return 1000 * std::int64_t{show.delaysMs[kind]}; }

    // Each press sends every message at once.
    std::optional<ShowFailure> TakePresses(std::vector<SentMessage>& sent) const
    {
        for (std::size_t i = life.first; i <= life.last; ++i)
        {
            if (show.calls[i].kind != ShowCall::Kind::Test)
                continue;
            for (std::size_t kind = 0; kind < show.delaysMs.size(); ++kind)
            {
                const auto own = std::find_if(sent.begin(), sent.end(),
                                              [&](const SentMessage& message)
                                              {
                                                  return message.call == i && message.kind == kind &&
                                                         message.atUs == show.calls[i].atUs;
                                              });
                if (own == sent.end())
                    return ShowFailure{i, kNever,
                                       std::string("Test pressed: no ") + MessageName(kind) +
                                           " sent at once"};
                sent.erase(own);
            }
        }
        return std::nullopt;
    }

    bool Required(const Sequence& sequence, std::size_t kind) const
    {
        const TruePass& pass = show.passes[sequence.pass];
        if (!pass.checked || sequence.press || pass.datedFrom == kNever)
            return false;
        std::int64_t nextUs = endUs;
        if (sequence.pass + 1 < show.passes.size() && show.passes[sequence.pass + 1].life == life.number)
        {
            // From a gesture's first step no one can tell whether it is its last: what falls
            // due during the gesture may go or not.
            const TruePass& next = show.passes[sequence.pass + 1];
            nextUs = std::min(nextUs, next.gestureUs > 0 ? next.gestureUs : next.beginUs);
        }
        return pass.latestUs + DelayUs(kind) < nextUs && show.calls[pass.datedFrom].atUs < nextUs;
    }

    std::optional<ShowFailure> CheckKind(std::size_t kind, const std::vector<SentMessage>& sent)
    {
        for (Sequence& sequence : sequences)
            sequence.filled = false;
        for (const SentMessage& message : sent)
        {
            if (message.kind != kind)
                continue;
            Sequence* best = nullptr;
            for (Sequence& sequence : sequences)
                if (!sequence.filled && Opens(sequence, kind) <= message.atUs &&
                    message.atUs <= sequence.endsUs && (!best || sequence.endsUs < best->endsUs))
                    best = &sequence;
            if (!best)
                return ShowFailure{message.call, PassOf(message), Unmatched(message)};
            best->filled = true;
        }
        for (const Sequence& sequence : sequences)
            if (!sequence.filled && Required(sequence, kind))
                return ShowFailure{life.last, sequence.pass,
                                   std::string("its ") + MessageName(kind) + " (due " +
                                       Seconds(show, Opens(sequence, kind)) + ") never sent"};
        return std::nullopt;
    }

    std::int64_t Opens(const Sequence& sequence, std::size_t kind) const
    {
        return show.passes[sequence.pass].beginUs + DelayUs(kind);
    }

    // The sequence the plug-in ran when it sent the message.
    const Sequence* Running(const SentMessage& message) const
    {
        const Sequence* running = nullptr;
        for (const Sequence& sequence : sequences)
            if (sequence.startedUs <= message.atUs)
                running = &sequence;
        return running;
    }

    std::size_t PassOf(const SentMessage& message) const
    {
        const Sequence* running = Running(message);
        return running ? running->pass : kNever;
    }

    std::string Unmatched(const SentMessage& message) const
    {
        const std::string what = std::string(MessageName(message.kind)) + " sent at " +
                                 Seconds(show, message.atUs) + ": ";
        const Sequence* running = Running(message);
        if (!running)
            return what + "no pass had started";
        const std::int64_t opensUs = Opens(*running, message.kind);
        if (message.atUs < opensUs)
            return what + Millis(opensUs - message.atUs) +
                   " ms before its pass's beginning and delay (or the pass before's, after the "
                   "call that started this one)";
        if (running->press && message.atUs > running->endsUs)
            return what + "after Test ended the pass's messages";
        return what + "a second in its pass";
    }

    const Show& show;
    const JudgedShow& judged;
    const Life life;
    const std::int64_t endUs;
    std::vector<Sequence> sequences;
};
} // namespace

const char* MessageName(std::size_t kind)
{
    static constexpr const char* kNames[] = {"transition", "next clip", "free message"};
    return kNames[kind];
}

std::optional<ShowFailure> CheckMessages(const Show& show, const JudgedShow& judged,
                                         const std::vector<SentMessage>& sent)
{
    for (const Life& life : Lives(show))
    {
        std::vector<SentMessage> own;
        std::copy_if(sent.begin(), sent.end(), std::back_inserter(own),
                     [&](const SentMessage& message) { return message.life == life.number; });
        if (std::optional<ShowFailure> failure = Ledger(show, judged, life).Check(own))
            return failure;
    }
    return std::nullopt;
}
} // namespace showfuzz
