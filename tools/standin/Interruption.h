// Ctrl-C (SIGINT) and SIGTERM, caught so that the stand-in ends its play at the next frame and
// still prints its summary and writes its report. A second signal ends it at once.
#pragma once

namespace standin
{

// Main thread, before the play.
void CatchInterruptions();
// Any thread; false until a signal came.
bool Interrupted();
// The exit status an interrupted program reports: 128 plus the signal's number.
int InterruptedExitStatus();

} // namespace standin
