// Whether the messages that arrived are the ones the settings ask for, each on time: every
// arrival is traced to the latest cue whose delay it can answer (in seconds, or in beats at the
// tempos the host gave), every cue that ran past a delay must have had that message, once, a
// pass that began and ended with no frame in it none, and the plug-in must have started its
// sequence nowhere else.
#pragma once

#include "tools/standin/Cue.h"
#include "tools/standin/ExpectedMessages.h"
#include "tools/standin/RunRecord.h"

#include <optional>
#include <vector>

namespace standin
{

// Where a message due at a moment no frame could hand over was held up.
enum class Handover
{
    AtItsMoment,
    AfterGap,  // due during a stall or hide: the first frame after it
    WithStart, // due before the first frame that could show its pass had begun: that frame
};

struct MessageVerdict
{
    std::size_t arrival = 0;
    std::optional<std::size_t> expectation; // none: no expected message has this address
    std::optional<std::size_t> cue;         // none: it came before any cue allowed it
    bool repeat = false;                    // its cue had it already
    bool late = false;                      // later after `due` than the check allows
    bool unseen = false; // its cue is a pass that began and ended with no frame in it
    // When it was due, with a cue: its delay after the cue, or where no frame could hand it
    // over by then and it came later, the first frame that could.
    Clock::time_point due{};
    Handover handover = Handover::AtItsMoment;

    bool Ok() const { return expectation && cue && !repeat && !late && !unseen; }
};

struct MissingMessage
{
    std::size_t expectation = 0;
    std::size_t cue = 0;
    Clock::time_point due{};
};

struct MessageCheck
{
    std::vector<Cue> cues;
    std::vector<MessageVerdict> verdicts; // one per arrival, in arrival order
    std::vector<MissingMessage> missing;
    std::vector<Clock::time_point> strayStarts; // starts of the plug-in no cue explains
    std::size_t expected = 0;                   // messages the run must have produced
    // The most a message may arrive after its moment: the send, and how late SetTime came.
    Clock::duration lateness{};
    // The most one held up by a gap or its pass's start may arrive after the frame that
    // could hand it over.
    Clock::duration handoverLateness{};

    bool Passed() const;
};

// The two sides read the clock a few microseconds apart, and an arrival's stamp comes from the
// kernel's wall clock: a message may seem to arrive a hair before its moment.
inline constexpr auto kClockSlack = std::chrono::microseconds(100);
// A message leaves at its moment; this much more covers its thread and the loopback.
inline constexpr auto kSendSlack = std::chrono::milliseconds(3);

MessageCheck CheckMessages(const RunRecord& record, const std::vector<Expectation>& expectations);

} // namespace standin
