// The closing account of a run: frames, call times, holds, and each message against its cue.
#pragma once

#include "tools/standin/Console.h"
#include "tools/standin/ExpectedMessages.h"
#include "tools/standin/MessageCheck.h"
#include "tools/standin/RunRecord.h"

#include <string>
#include <vector>

namespace standin
{

// `played`: what was played, for the frames line ("2 clips of 3.000 s at 60/s"). Without a
// check the stand-in was not listening.
void PrintSummary(Console& console, const RunRecord& record,
                  const std::vector<Expectation>& expectations, const MessageCheck* check,
                  const std::string& played);

} // namespace standin
