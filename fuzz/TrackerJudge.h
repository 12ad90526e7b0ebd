// Plays a show's calls on playback trackers (a new one at each join) and holds what they answer
// against the passes that really began, after every call (docs/fuzzing.md, "The checks"):
// every pass started once, between its first call and the call by which it can be told; no new
// pass where none began; the current pass's anchor never before its beginning, and from its
// third reading on no later than its bound.
#pragma once

#include "fuzz/Show.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace showfuzz
{
struct TrackerAnswer
{
    std::size_t call = 0;
    std::int64_t anchorUs = 0;
    bool newPass = true;
    std::size_t pass = kNever; // the true pass it was taken for
};

struct ShowFailure
{
    std::size_t call = 0;
    std::size_t pass = kNever;
    std::string what;
};

struct JudgedShow
{
    std::vector<TrackerAnswer> answers;
    std::vector<std::size_t> startCall;     // per pass: the call that started it, or kNever
    std::vector<std::int64_t> anchorUs;     // per pass: its anchor as last dated
    std::optional<ShowFailure> failure;     // the first
};

// `trace`: every call and its answer to stderr.
JudgedShow JudgeTracker(const Show& show, bool trace);
} // namespace showfuzz
