// Keeps the plug-in's own code mapped for the rest of the process.
#pragma once

namespace platform
{
// Sender threads may outlive the instance and the host's unload of the library: the first one
// to start pins the module that contains this function, so their code cannot disappear under
// them. Idempotent; any thread.
void PinThisModule();
} // namespace platform
