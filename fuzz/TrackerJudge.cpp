#include "fuzz/TrackerJudge.h"

#include "fuzz/ShowReport.h"
#include "playback/PlaybackTracker.h"

#include <cstdio>
#include <optional>

namespace showfuzz
{
namespace
{
class Judge
{
public:
    Judge(const Show& shown, bool tracing) : show(shown), trace(tracing)
    {
        judged.startCall.assign(shown.passes.size(), kNever);
        judged.anchorUs.assign(shown.passes.size(), 0);
    }

    JudgedShow Run()
    {
        for (std::size_t i = 0; i < show.calls.size() && !judged.failure; ++i)
        {
            const std::optional<PlaybackTracker::Start> start = Play(i);
            if (start)
                Take(i, *start);
            if (trace)
                std::fprintf(stderr, "%s%s\n", DescribeCall(show, i).c_str(),
                             start ? DescribeAnswer(show, judged.answers.back()).c_str() : "");
            if (!judged.failure)
                CheckAfter(i);
        }
        return std::move(judged);
    }

private:
    std::optional<PlaybackTracker::Start> Play(std::size_t i)
    {
        const ShowCall& call = show.calls[i];
        if (call.kind == ShowCall::Kind::Join || !tracker)
        {
            tracker.emplace();
            current = kNever;
        }
        std::optional<PlaybackTracker::Start> start;
        switch (call.kind)
        {
        case ShowCall::Kind::Time:
            start = tracker->OnHostTime(call.time, call.atUs);
            break;
        case ShowCall::Kind::Frame:
            start = tracker->OnFrame(call.atUs);
            break;
        case ShowCall::Kind::Test:
            tracker->OnTest();
            break;
        case ShowCall::Kind::Join:
            break;
        }
        return start;
    }

    // The last call the pass's start may come at: by when it can be told, before the next pass.
    std::size_t WindowEnd(std::size_t p) const
    {
        std::size_t end = show.passes[p].tellBy;
        if (p + 1 < show.passes.size() && show.passes[p + 1].life == show.passes[p].life)
            end = std::min(end, show.passes[p + 1].firstCall - 1);
        return end;
    }

    std::optional<std::size_t> PassWhoseWindowHolds(std::size_t i, bool started) const
    {
        for (std::size_t p = 0; p < show.passes.size(); ++p)
            if (show.passes[p].life == show.calls[i].life && show.passes[p].gestureCall <= i &&
                i <= WindowEnd(p) && (judged.startCall[p] != kNever) == started)
                return p;
        return std::nullopt;
    }

    void Take(std::size_t i, const PlaybackTracker::Start& start)
    {
        TrackerAnswer answer{i, start.anchorUs, start.newPass, kNever};
        if (!start.newPass)
        {
            if (current == kNever)
                Fail(i, kNever, "the current pass dated anew before any pass started");
            else if (start.anchorUs > judged.anchorUs[current] && start.holdUntilUs == 0)
                Fail(i, current, "dated anew later without holding it: what went may be early");
            else
                judged.anchorUs[current] = start.anchorUs;
            holdUntilUs = start.holdUntilUs;
            answer.pass = current;
        }
        else if (const std::optional<std::size_t> p = PassWhoseWindowHolds(i, false))
        {
            current = answer.pass = *p;
            judged.startCall[*p] = i;
            judged.anchorUs[*p] = start.anchorUs;
            holdUntilUs = start.holdUntilUs;
        }
        else if (const std::optional<std::size_t> again = PassWhoseWindowHolds(i, true))
            Fail(i, *again, "started a second time (first at call #" +
                                std::to_string(judged.startCall[*again]) + ")");
        else
            Fail(i, kNever,
                 "a new pass started where none began (anchor " + Seconds(show, start.anchorUs) +
                     " s)");
        judged.answers.push_back(answer);
    }

    void CheckAfter(std::size_t i)
    {
        // Every pass whose start is due by now.
        for (; due < show.passes.size() && Closed(due, i); ++due)
        {
            const TruePass& pass = show.passes[due];
            if (pass.checked && pass.tellBy != kNever && judged.startCall[due] == kNever)
                return Fail(i, due, "not started by call #" + std::to_string(pass.tellBy));
        }
        if (current == kNever || !show.passes[current].checked)
            return;
        const TruePass& pass = show.passes[current];
        const std::int64_t anchorUs = judged.anchorUs[current];
        // Held while a gesture may go on: nothing of the pass goes before the hold, and a later
        // step dates it anew.
        if (show.calls[i].atUs < holdUntilUs)
            return;
        if (anchorUs < pass.beginUs)
            Fail(i, current, "dated " + Millis(pass.beginUs - anchorUs) + " ms before its beginning");
        else if (pass.datedFrom != kNever && i >= pass.datedFrom && anchorUs > pass.latestUs)
            Fail(i, current,
                 "dated " + Millis(anchorUs - pass.beginUs) + " ms after its beginning; at most " +
                     Millis(pass.latestUs - pass.beginUs) +
                     " ms (the interval it began in, the calls' lateness and 1 ms)");
    }

    bool Closed(std::size_t p, std::size_t i) const
    {
        const TruePass& pass = show.passes[p];
        if (pass.tellBy != kNever)
            return pass.tellBy <= i;
        return pass.life < show.calls[i].life;
    }

    void Fail(std::size_t call, std::size_t pass, const std::string& what)
    {
        if (!judged.failure)
            judged.failure = ShowFailure{call, pass, what};
    }

    const Show& show;
    const bool trace;
    JudgedShow judged;
    std::optional<PlaybackTracker> tracker;
    std::size_t current = kNever;
    std::int64_t holdUntilUs = 0; // the current pass's, as last told
    std::size_t due = 0;
};
} // namespace

JudgedShow JudgeTracker(const Show& show, bool trace)
{
    return Judge(show, trace).Run();
}
} // namespace showfuzz
