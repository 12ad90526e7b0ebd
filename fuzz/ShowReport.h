// A show and what the effect made of it, in words: for a failed check (short: what happened
// around it, the passes near it, the calls before it) and for tracing every call. Times are
// seconds from the show's first frame.
#pragma once

#include "fuzz/Show.h"
#include "fuzz/TrackerJudge.h"

#include <cstdint>
#include <string>

namespace showfuzz
{
std::string Seconds(const Show& show, std::int64_t us);
std::string Millis(std::int64_t us);
// "#12 0.183412 SetTime 0.1834 (read at 0.183400)".
std::string DescribeCall(const Show& show, std::size_t call);
// " -> a new pass from 0.166000 (+0.000 ms)".
std::string DescribeAnswer(const Show& show, const TrackerAnswer& answer);
std::string DescribePass(const Show& show, std::size_t pass);
// The failure under `title`, the host, what happened, the passes (truth against start and
// anchor), the calls.
std::string Report(const char* title, const Show& show, const JudgedShow& judged,
                   const ShowFailure& failure);
} // namespace showfuzz
