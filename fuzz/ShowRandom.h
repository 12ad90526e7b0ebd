// The small choices of a show that would take too many bytes to read one by one (how uneven
// each frame is, how late each call, where between two frames an event falls), drawn from a
// seed the input gives: the same input always makes the same show.
#pragma once

#include <cstdint>

namespace showfuzz
{
class ShowRandom
{
public:
    explicit ShowRandom(std::uint32_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}

    std::uint64_t Next()
    {
        // splitmix64
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // In [0, 1).
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    double Uniform(double low, double high) { return low + (high - low) * Unit(); }
    bool Chance(double p) { return Unit() < p; }

private:
    std::uint64_t state;
};
} // namespace showfuzz
