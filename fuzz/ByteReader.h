// The fuzzer's input read as a host's choices, front to back. Past the end every read answers
// zero, so any input decodes into some sequence, and a longer one only adds calls at its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace hostfuzz
{
class ByteReader
{
public:
    ByteReader(const std::uint8_t* bytes, std::size_t count) : data(bytes), size(count) {}

    bool AtEnd() const { return next >= size; }
    std::uint8_t Byte();
    std::uint32_t U32();
    // One of `count` choices (count > 0).
    std::uint32_t Pick(std::uint32_t count) { return Byte() % count; }
    bool Flag() { return (Byte() & 1) != 0; }
    // A float a host might pass: a special value (NaN, infinities, -0, denormals, 1e39
    // overflowed, the extremes), a small whole number, or any bit pattern.
    float Float();
    // A clip time likewise, with steps that are tiny, huge or not numbers at all.
    double Double();
    // Up to `limit` raw bytes, zero bytes included.
    std::string Bytes(std::size_t limit);

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t next = 0;
};
} // namespace hostfuzz
