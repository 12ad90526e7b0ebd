// The show fuzzer's input read as a show: the host's rhythm, the first clip and how the effect
// joins it, then actions (ShowActions.h) until the input ends. Any bytes make a show; the same
// bytes always the same show. docs/fuzzing.md gives the grammar byte by byte.
#pragma once

#include "fuzz/Show.h"

#include <cstddef>
#include <cstdint>

namespace showfuzz
{
Show DecodeShow(const std::uint8_t* data, std::size_t size);
} // namespace showfuzz
