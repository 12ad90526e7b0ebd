// The run in machine-readable form: one JSON object per line. Each received message
// ("event":"message"), each missing one ("event":"missing"), and a last "summary" line.
// Times are seconds since the clip start ("clip_time_s") or since the start or Test press
// the message answers ("since_mark_s"); "late_ms" is how long after it was due it arrived.
#pragma once

#include "tools/standin/ExpectedMessages.h"
#include "tools/standin/MessageCheck.h"
#include "tools/standin/RunRecord.h"

#include <string>
#include <vector>

namespace standin
{

// Without a check the stand-in was not listening. Throws std::runtime_error when the file
// cannot be written.
void WriteReport(const std::string& path, const RunRecord& record,
                 const std::vector<Expectation>& expectations, const MessageCheck* check,
                 int exitStatus);

} // namespace standin
