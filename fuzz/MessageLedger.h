// What the plug-in sent in a show, held against the passes that really began: once per pass,
// never before the pass's beginning and delay, none of a pass after the call that started the
// next, the Test press's own at once (docs/fuzzing.md, "Through the plug-in").
#pragma once

#include "fuzz/Show.h"
#include "fuzz/TrackerJudge.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace showfuzz
{
struct SentMessage
{
    std::size_t kind = 0;   // transition, next clip, free message
    std::int64_t atUs = 0;  // when the scheduler sent it
    std::size_t call = 0;   // the call after which it was taken: sent by then
    int life = 0;
};

const char* MessageName(std::size_t kind);

// The first message that went wrong, or the first that never went.
std::optional<ShowFailure> CheckMessages(const Show& show, const JudgedShow& judged,
                                         const std::vector<SentMessage>& sent);
} // namespace showfuzz
