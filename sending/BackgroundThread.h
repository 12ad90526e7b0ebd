// Starts the plug-in's own threads: the send scheduler and the lookups of late sends. They may
// outlive every instance and the host's unload of the library, so the module is pinned first.
#pragma once

#include <functional>

// Starts a detached thread running `body`; false when the platform cannot start one. Any thread
// but the render thread's frames.
bool StartBackgroundThread(std::function<void()> body);

using BackgroundThreadStart = bool (*)(std::function<void()> body);
// Tests only: routes StartBackgroundThread to `start` (null restores the real one) and answers the
// one it replaces (null for the real one).
BackgroundThreadStart InstallBackgroundThreadStart(BackgroundThreadStart start);
