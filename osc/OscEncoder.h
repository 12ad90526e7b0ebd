// The bytes of one OSC 1.0 message: OSC-strings zero-padded to a multiple of four
// bytes, 32-bit values most significant byte first. Pure functions; any thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace osc
{
// Appends the text's bytes unchanged, then 1 to 4 zero bytes so that the whole buffer's length
// becomes a multiple of 4 (four zeros when it already was one).
void AppendOscString(std::vector<std::uint8_t>& buffer, std::string_view text);

// Appends the four bytes of the value, most significant first.
void AppendBigEndian32(std::vector<std::uint8_t>& buffer, std::uint32_t value);

// The payload of one datagram: the address, the type tags ("," then one s per string, one i per
// int, one f per float), every string, every int, every float. Its length is a multiple of 4.
// The address is not checked here (the sender does that first). Throws only std::bad_alloc.
// Spans, so that callers can pass arrays on the stack: the payload is the only allocation.
std::vector<std::uint8_t> EncodeOscMessage(std::string_view address,
                                           std::span<const std::string> strings,
                                           std::span<const std::int32_t> ints,
                                           std::span<const float> floats);

// The same bytes written into `room`: their length, or 0 when they do not fit. Allocates
// nothing, so that the render thread can hand a message over.
std::size_t EncodeOscMessageInto(std::span<std::uint8_t> room, std::string_view address,
                                 std::span<const std::string_view> strings,
                                 std::span<const std::int32_t> ints, std::span<const float> floats);
} // namespace osc
