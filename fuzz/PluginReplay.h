// Plays a show through the whole plug-in: a VendrolixPro for each instance of the show (a new
// one at each join), its three messages switched on with the show's delays, on a test clock, its
// messages scheduled into a queue of the replay's own and taken out as the send scheduler takes
// them, each at its deadline (or at once when that has passed). Then holds what was sent against
// the passes (docs/fuzzing.md, "Through the plug-in"): every enabled message once per pass whose
// beginning and delay (and the anchor's bound) fall before the next pass's beginning, none
// before the pass's beginning and delay, none of a pass after the call that started the next;
// a Test press sends each message at once and ends its pass's messages.
//
// Needs the tracker's answers to the same calls (JudgeTracker, which must have passed): the
// plug-in's own tracker gives the same.
#pragma once

#include "fuzz/Show.h"
#include "fuzz/TrackerJudge.h"

#include <optional>
#include <string>

namespace showfuzz
{
// The failure, in words with the show around it; none when every message went as it should.
// `trace`: every message to stderr as it is sent. Not thread-safe: one replay at a time.
std::optional<std::string> ReplayThroughPlugin(const Show& show, const JudgedShow& judged,
                                               bool trace);
} // namespace showfuzz
