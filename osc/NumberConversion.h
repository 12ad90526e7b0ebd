// The number conversions of the free-text message: strtol (base 10) and strtof as
// they behave in the "C" locale, whatever locale the host process has set. Pure; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace osc
{
// As strtol with base 10: leading white space (space, \t, \n, \v, \f, \r), an optional sign,
// decimal digits; the rest of the text is ignored. Nothing when the text does not begin with a
// number or the value lies outside the signed 32-bit range (whatever the width of long).
std::optional<std::int32_t> ConvertInt32(std::string_view text);

// As strtof: leading white space, an optional sign, then a decimal number with the period as
// separator and an optional exponent, a hexadecimal number ("0x", hex digits, optional binary
// exponent "p"), "inf", "infinity" or "nan" (any case, "nan(chars)" included). The longest valid
// prefix is used and the rest ignored. Nothing when the text does not begin with a number or the
// conversion is a range error: overflow, or a result below the smallest normal float that is not
// exact (glibc's rule). A NaN's "(chars)" sets its payload as in glibc, where a number there
// beyond 64 bits is a range error too.
std::optional<float> ConvertFloat32(std::string_view text);
} // namespace osc
