// Starts the detached thread that carries one send job.
#pragma once

#include "controller/SendJob.h"

// Starts a detached thread running RunSendJob on the job and returns at once. Throws
// std::system_error when the platform cannot start a thread. Any thread.
void StartSenderThread(SendJob job);

using SenderThreadStart = void (*)(SendJob job);
// Tests only: routes StartSenderThread to `start` (null restores the real one) and answers
// the one it replaces (null for the real one).
SenderThreadStart InstallSenderThreadStart(SenderThreadStart start);
