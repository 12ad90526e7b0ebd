// Counts heap allocations of the whole benchmark program: linking AllocationCounter.cpp
// replaces the global operator new.
#pragma once

#include <cstdint>

namespace bench
{
// Allocations made so far, by any thread.
std::uint64_t AllocationCount();
} // namespace bench
