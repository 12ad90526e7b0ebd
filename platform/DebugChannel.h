// The platform's debugger output: OutputDebugStringA on Windows, standard error elsewhere.
#pragma once

namespace platform
{
// Writes the text as it is, adding nothing. Any thread.
void WriteToDebugger(const char* text);
} // namespace platform
