// Reading a float as std::from_chars does. libc++ before LLVM 20, which zig 0.11 builds the
// macOS bundle with, has no floating-point from_chars: there the C library's strtof in the "C"
// locale stands in, shaped to give the same answers.
#pragma once

#include <charconv>

namespace platform
{
using FloatReader = std::from_chars_result (*)(const char* first, const char* last, float& value,
                                               std::chars_format format);

// std::from_chars(first, last, value, format) for chars_format::general or chars_format::hex
// (the digits after "0x"), where the text holds, for hex, no minus sign and, for general, no
// "0x" before a hex digit (strtof would read either otherwise). Reads the longest number at
// `first`, "inf", "infinity" and "nan(chars)" included, in any case; no white space. On success
// `value` is set (a NaN without payload) and ptr ends the number. errc::invalid_argument when there
// is no number; errc::result_out_of_range when it overflows or underflows to zero. Pure; any
// thread.
std::from_chars_result FloatFromChars(const char* first, const char* last, float& value,
                                      std::chars_format format);

#ifndef _WIN32
// The stand-in: strtof_l in the "C" locale, as FloatFromChars above. Any thread.
std::from_chars_result FloatFromCharsByStrtof(const char* first, const char* last, float& value,
                                              std::chars_format format);
#endif

// Tests only: makes FloatFromChars read through `reader` (null restores the platform's) and
// answers the reader it replaces (null for the platform's).
FloatReader InstallFloatReader(FloatReader reader);
} // namespace platform
