// Starts the plug-in's own threads: the send scheduler and the name lookups. They may outlive
// every instance and the host's unload of the library, so the module is pinned first. Each starts
// at the ordinary policy and timer slack (platform/OrdinaryThread.h), whichever thread starts it.
#pragma once

#include <functional>

// Starts a detached thread named `name` running `body`; false when the platform cannot start one.
// Any thread but a frame's.
bool StartBackgroundThread(const char* name, std::function<void()> body);

using BackgroundThreadStart = bool (*)(const char* name, std::function<void()> body);
// Tests only: routes StartBackgroundThread to `start` (null restores the real one) and answers the
// one it replaces (null for the real one).
BackgroundThreadStart InstallBackgroundThreadStart(BackgroundThreadStart start);
