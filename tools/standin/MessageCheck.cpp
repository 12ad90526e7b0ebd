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

// Whether a stall left no frame to hand over a message due then; the look-ahead of the frame
// before it may still have.
bool HeldByStall(const RunRecord& record, Clock::time_point due)
{
    return record.stall && due > record.stall->lastFrame && due <= record.stall->resumed;
}

// On time at its moment; one held up by a stall also with the first frame after it.
void JudgeTiming(const RunRecord& record, const MessageCheck& check, Clock::time_point arrival,
                 MessageVerdict& verdict)
{
    verdict.late = arrival > verdict.due + check.lateness;
    if (!verdict.late || !HeldByStall(record, verdict.due))
        return;
    verdict.due = record.stall->resumed;
    verdict.afterStall = true;
    verdict.late = arrival > verdict.due + check.stallLateness;
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
    check.lateness = kSendSlack;
    check.stallLateness = record.framePeriod + kSendSlack;
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
            verdict.due = Due(record, check.cues[*verdict.cue], expectations[found]);
            JudgeTiming(record, check, message.arrival, verdict);
            verdict.repeat = !answered.emplace(std::pair(*verdict.cue, found), i).second;
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
