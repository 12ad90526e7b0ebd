// What the README promises of the texts and values a host reads back, checked by the host
// fuzzer after the calls that return them. Each fails the input when the promise is broken.
#pragma once

#include "tools/testhost/ParameterIndex.h"

#include <cstdint>
#include <string>

namespace hostfuzz
{
bool IsTextParameter(std::uint32_t index);

// A text the plug-in returned: not null, terminated within a megabyte, every byte readable.
std::string ReadText(const char* text);
// One of the Status line's documented forms: "idle", "started @ t=<seconds>", "SEND TNM" with
// "-" for what was not handed over, or the countdown "T...|N...|M..." of "no", "ok", "err", "late"
// or what is left in tenths ("1.2s", or "3.5b" in beats).
void CheckStatus(const std::string& status);
// What a float parameter holds after the host gave it `given`: its range, its step (100 ms for
// the delays and the duration, whole numbers for the layer, on or off for the switches), and
// the nearest step to the given value within the range.
void CheckStoredValue(std::uint32_t index, float given, float stored);
// The display text of a float parameter against its value: the delays in seconds or beats with
// one decimal ("16.0s", "16.0 beats"), the others with six.
void CheckDisplay(std::uint32_t index, float value, bool beats, const std::string& display);
} // namespace hostfuzz
