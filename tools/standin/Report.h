// The run in machine-readable form: one JSON object per line. Each received message
// ("event":"message"), each missing one ("event":"missing"), and a last "summary" line.
// Times are seconds since the pass began, where the stand-in's playhead began it ("clip_time_s"),
// or since the cue the message answers ("since_cue_s": a pass's beginning, a Test press or a
// start the plug-in declared on a gap between frames); "late_ms" is how long after it was due it
// arrived (where no frame could hand it over then, after the first frame that could). The
// summary counts the plug-in's "stray_starts", where no cue was.
#pragma once

#include "tools/standin/ExpectedMessages.h"
#include "tools/standin/MessageCheck.h"
#include "tools/standin/RunRecord.h"

#include <ostream>
#include <vector>

namespace standin
{

// Without a check the stand-in was not listening. Throws std::runtime_error when the report
// cannot be written.
void WriteReport(std::ostream& out, const RunRecord& record,
                 const std::vector<Expectation>& expectations, const MessageCheck* check,
                 int exitStatus);

} // namespace standin
