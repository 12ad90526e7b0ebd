// Numbers in the texts handed to the host: always a period before the decimals, whatever
// locale the host process has set (printf would write "3,0" under a comma locale).
#pragma once

#include <cstddef>

namespace ffgl
{
// Writes `value` with exactly `decimals` digits after the point into `out`, zero-terminated and
// cut to `size`; answers the length written. Allocates nothing; any thread.
std::size_t FormatDecimal(char* out, std::size_t size, double value, int decimals);
} // namespace ffgl
