// What the effect must make of each pass of a show, from the calls it gets: by which call its
// start must have come, and from which call on how late its anchor may be. The rules are stated
// in docs/fuzzing.md ("The truth").
#pragma once

#include "fuzz/Show.h"

namespace showfuzz
{
// Fills every pass's calls and bounds; drops the passes no call shows (those that ended before
// the next reading, and those of an instance that was replaced before it could see them).
void BuildTruth(Show& show);
} // namespace showfuzz
