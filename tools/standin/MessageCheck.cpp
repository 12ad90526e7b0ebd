#include "tools/standin/MessageCheck.h"

#include "tools/standin/BeatMoment.h"

#include <algorithm>
#include <map>
#include <utility>

namespace standin
{
namespace
{

Clock::time_point Due(const RunRecord& record, const Cue& cue, const Expectation& expectation)
{
    // "Test" sends at once, whatever the delay.
    if (cue.kind == Cue::Kind::Test)
        return cue.at;
    if (expectation.inBeats)
        return BeatMoment(record.tempos, cue.at, expectation.delay / 1000.0);
    return cue.at + std::chrono::milliseconds(expectation.delay);
}

// The first frame that could hand over a message of `cue` due at `due`, where that came after
// it: the first after a stall or hide that left no frame then (the look-ahead of the frame
// before it may still have handed it over), or the first that could show the cue's pass began.
std::optional<std::pair<Clock::time_point, Handover>>
LaterHandover(const RunRecord& record, const Cue& cue, Clock::time_point due)
{
    std::optional<std::pair<Clock::time_point, Handover>> later;
    for (const Gap& gap : record.gaps)
    {
        if (due > gap.lastFrame && due <= gap.resumed)
            later = std::pair(gap.resumed, Handover::AfterGap);
    }
    if (cue.kind != Cue::Kind::ClipStart)
        return later;
    const std::optional<std::size_t> shown = record.clipStarts[cue.clip - 1].shownBy;
    if (shown && record.frames[*shown] > std::max(due, later ? later->first : due))
        later = std::pair(record.frames[*shown], Handover::WithStart);
    return later;
}

// On time at its moment; one that no frame could hand over then also with the first that could.
void JudgeTiming(const RunRecord& record, const MessageCheck& check, const Cue& cue,
                 Clock::time_point arrival, MessageVerdict& verdict)
{
    verdict.late = arrival > verdict.due + check.lateness;
    const auto later = LaterHandover(record, cue, verdict.due);
    if (!verdict.late || !later)
        return;
    verdict.due = later->first;
    verdict.handover = later->second;
    verdict.late = arrival > verdict.due + check.handoverLateness;
}

// The latest cue whose message could have left by `arrival`.
std::optional<std::size_t> AnsweredCue(const RunRecord& record, const std::vector<Cue>& cues,
                                       const Expectation& expectation, Clock::time_point arrival)
{
    for (std::size_t i = cues.size(); i-- > 0;)
    {
        if (Due(record, cues[i], expectation) <= arrival + kClockSlack)
            return i;
    }
    return std::nullopt;
}

// A cue asks for a message when one of its frames came after the delay, before the next cue
// ended its sequence.
bool Asks(const RunRecord& record, const std::vector<Cue>& cues, std::size_t cue,
          const Expectation& expectation)
{
    if (cues[cue].kind == Cue::Kind::Test)
        return true;
    const Clock::time_point end =
        cue + 1 < cues.size() ? cues[cue + 1].at : Clock::time_point::max();
    const auto frame = std::lower_bound(record.frames.begin(), record.frames.end(),
                                        Due(record, cues[cue], expectation) + kClockSlack);
    return frame != record.frames.end() && *frame < end;
}

} // namespace

bool MessageCheck::Passed() const
{
    return missing.empty() && strayStarts.empty() &&
           std::all_of(verdicts.begin(), verdicts.end(), [](const auto& v) { return v.Ok(); });
}

MessageCheck CheckMessages(const RunRecord& record, const std::vector<Expectation>& expectations)
{
    MessageCheck check;
    check.cues = FindCues(record);
    check.strayStarts = FindStrayStarts(record);
    check.lateness = kSendSlack + record.callJitter;
    check.handoverLateness = record.framePeriod + check.lateness;
    std::map<std::pair<std::size_t, std::size_t>, std::size_t> answered; // (cue, expectation)
    for (std::size_t i = 0; i < record.arrivals.size(); ++i)
    {
        MessageVerdict verdict;
        verdict.arrival = i;
        const testhost::ReceivedOsc& message = record.arrivals[i].message;
        const std::size_t found = FindExpectation(expectations, message.address);
        if (message.decoded && found < expectations.size())
        {
            verdict.expectation = found;
            verdict.cue = AnsweredCue(record, check.cues, expectations[found], message.arrival);
        }
        if (verdict.cue)
        {
            const Cue& cue = check.cues[*verdict.cue];
            verdict.due = Due(record, cue, expectations[found]);
            JudgeTiming(record, check, cue, message.arrival, verdict);
            verdict.repeat = !answered.emplace(std::pair(*verdict.cue, found), i).second;
            verdict.unseen = cue.kind == Cue::Kind::ClipStart && record.Unseen(cue.clip);
        }
        check.verdicts.push_back(verdict);
    }
    for (std::size_t cue = 0; cue < check.cues.size(); ++cue)
    {
        for (std::size_t e = 0; e < expectations.size(); ++e)
        {
            if (!Asks(record, check.cues, cue, expectations[e]))
                continue;
            ++check.expected;
            if (!answered.contains(std::pair(cue, e)))
                check.missing.push_back(
                    MissingMessage{e, cue, Due(record, check.cues[cue], expectations[e])});
        }
    }
    return check;
}

} // namespace standin
