// Whether the messages that arrived are the ones the settings ask for, each at or after its
// delay: every arrival is traced to the latest start or Test press it can answer, and every
// start whose sequence ran past a delay must have had that message.
#pragma once

#include "tools/standin/ExpectedMessages.h"
#include "tools/standin/RunRecord.h"

#include <optional>
#include <vector>

namespace standin
{

struct MessageVerdict
{
    std::size_t arrival = 0;
    std::optional<std::size_t> expectation; // none: no expected message has this address
    std::optional<std::size_t> mark;        // none: it came before any start allowed it
    bool repeat = false;                    // its start or Test press had it already
    Clock::time_point due{};                // when it was due, with a mark

    bool Ok() const { return expectation && mark && !repeat; }
};

struct MissingMessage
{
    std::size_t expectation = 0;
    std::size_t mark = 0;
    Clock::time_point due{};
};

struct MessageCheck
{
    std::vector<MessageVerdict> verdicts; // one per arrival, in arrival order
    std::vector<MissingMessage> missing;
    std::size_t expected = 0; // messages the run must have produced

    bool Passed() const;
};

// The plug-in's clock counts whole milliseconds, so a message may leave up to a millisecond
// before its delay has fully passed on the host's clock.
inline constexpr auto kClockSlack = std::chrono::milliseconds(2);

MessageCheck CheckMessages(const RunRecord& record, const std::vector<Expectation>& expectations);

} // namespace standin
