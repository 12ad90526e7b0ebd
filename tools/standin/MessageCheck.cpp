#include "tools/standin/MessageCheck.h"

#include <algorithm>
#include <map>
#include <utility>

namespace standin
{
namespace
{

Clock::time_point Due(const Mark& mark, const Expectation& expectation)
{
    // "Test" sends at once, whatever the delay.
    return mark.test ? mark.at : mark.at + std::chrono::milliseconds(expectation.delayMs);
}

// The latest mark whose message could have left by `arrival`.
std::optional<std::size_t> AnsweredMark(const std::vector<Mark>& marks,
                                        const Expectation& expectation, Clock::time_point arrival)
{
    for (std::size_t i = marks.size(); i-- > 0;)
    {
        if (Due(marks[i], expectation) <= arrival + kClockSlack)
            return i;
    }
    return std::nullopt;
}

// A start asks for a message when one of its frames came after the delay, before the next
// mark ended the sequence.
bool Asks(const RunRecord& record, std::size_t mark, const Expectation& expectation)
{
    const Mark& start = record.marks[mark];
    if (start.test)
        return true;
    const Clock::time_point end =
        mark + 1 < record.marks.size() ? record.marks[mark + 1].at : Clock::time_point::max();
    const auto frame = std::lower_bound(record.frames.begin(), record.frames.end(),
                                        Due(start, expectation) + kClockSlack);
    return frame != record.frames.end() && *frame < end;
}

} // namespace

bool MessageCheck::Passed() const
{
    return missing.empty() &&
           std::all_of(verdicts.begin(), verdicts.end(), [](const auto& v) { return v.Ok(); });
}

MessageCheck CheckMessages(const RunRecord& record, const std::vector<Expectation>& expectations)
{
    MessageCheck check;
    std::map<std::pair<std::size_t, std::size_t>, std::size_t> answered; // (mark, expectation)
    for (std::size_t i = 0; i < record.arrivals.size(); ++i)
    {
        MessageVerdict verdict;
        verdict.arrival = i;
        const testhost::ReceivedOsc& message = record.arrivals[i].message;
        const std::size_t found = FindExpectation(expectations, message.address);
        if (message.decoded && found < expectations.size())
        {
            verdict.expectation = found;
            verdict.mark = AnsweredMark(record.marks, expectations[found], message.arrival);
        }
        if (verdict.mark)
        {
            verdict.due = Due(record.marks[*verdict.mark], expectations[found]);
            verdict.repeat = !answered.emplace(std::pair(*verdict.mark, found), i).second;
        }
        check.verdicts.push_back(verdict);
    }
    for (std::size_t mark = 0; mark < record.marks.size(); ++mark)
    {
        for (std::size_t e = 0; e < expectations.size(); ++e)
        {
            if (!Asks(record, mark, expectations[e]))
                continue;
            ++check.expected;
            if (!answered.contains(std::pair(mark, e)))
                check.missing.push_back(
                    MissingMessage{e, mark, Due(record.marks[mark], expectations[e])});
        }
    }
    return check;
}

} // namespace standin
