// The two log channels: the host's callback and the debugger/standard-output line.
#pragma once

namespace ffgl
{
using LogCallback = void (*)(const char* text);

// Replaces the host's callback; null switches the host log off. Render thread.
void SetHostLogCallback(LogCallback callback);
// Calls the host's callback once with exactly this text (no prefix, no line end), if both exist.
// Render thread.
void SendHostLog(const char* text);
// Joins the parts and writes the line to the debugger channel and to standard output.
void WriteDebugLine(const char* first, const char* second);
} // namespace ffgl
