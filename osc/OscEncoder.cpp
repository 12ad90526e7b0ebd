#include "osc/OscEncoder.h"

#include <bit>
#include <cstring>

namespace osc
{
void AppendOscString(std::vector<std::uint8_t>& buffer, std::string_view text)
{
    const std::size_t start = buffer.size();
    // At least one terminating zero, then up to the next multiple of 4. resize() writes the
    // zeros; the text goes over the front of them.
    buffer.resize((start + text.size() + 4) & ~std::size_t{3});
    if (!text.empty())
        std::memcpy(buffer.data() + start, text.data(), text.size());
}

void AppendBigEndian32(std::vector<std::uint8_t>& buffer, std::uint32_t value)
{
    const std::size_t start = buffer.size();
    buffer.resize(start + 4);
    std::uint8_t* bytes = buffer.data() + start;
    bytes[0] = static_cast<std::uint8_t>(value >> 24);
    bytes[1] = static_cast<std::uint8_t>(value >> 16);
    bytes[2] = static_cast<std::uint8_t>(value >> 8);
    bytes[3] = static_cast<std::uint8_t>(value);
}

namespace
{
// Every section of a message starts on a multiple of 4, so padding counted on the text alone is
// the same as padding counted on the whole buffer.
std::size_t OscStringSize(std::size_t length)
{
    return (length + 4) & ~std::size_t{3};
}

// The writers below fill space that EncodeOscMessage has already sized and zeroed.
std::uint8_t* WriteOscString(std::uint8_t* out, std::string_view text)
{
    if (!text.empty())
        std::memcpy(out, text.data(), text.size());
    return out + OscStringSize(text.size());
}

std::uint8_t* WriteBigEndian32(std::uint8_t* out, std::uint32_t value)
{
    out[0] = static_cast<std::uint8_t>(value >> 24);
    out[1] = static_cast<std::uint8_t>(value >> 16);
    out[2] = static_cast<std::uint8_t>(value >> 8);
    out[3] = static_cast<std::uint8_t>(value);
    return out + 4;
}
} // namespace

namespace
{
template <typename Text>
std::size_t MessageSize(std::string_view address, std::span<const Text> strings, std::size_t ints,
                        std::size_t floats)
{
    const std::size_t typeTagLength = 1 + strings.size() + ints + floats;
    std::size_t size =
        OscStringSize(address.size()) + OscStringSize(typeTagLength) + 4 * (ints + floats);
    for (const Text& text : strings)
        size += OscStringSize(std::string_view(text).size());
    return size;
}

// Writes into `out`, zeroed and MessageSize bytes long: every pad byte is already written.
template <typename Text>
void Write(std::uint8_t* out, std::string_view address, std::span<const Text> strings,
           std::span<const std::int32_t> ints, std::span<const float> floats)
{
    const std::size_t typeTagLength = 1 + strings.size() + ints.size() + floats.size();
    out = WriteOscString(out, address);
    std::uint8_t* tag = out;
    *tag++ = ',';
    tag = static_cast<std::uint8_t*>(std::memset(tag, 's', strings.size())) + strings.size();
    tag = static_cast<std::uint8_t*>(std::memset(tag, 'i', ints.size())) + ints.size();
    std::memset(tag, 'f', floats.size());
    out += OscStringSize(typeTagLength);

    for (const Text& text : strings)
        out = WriteOscString(out, text);
    for (const std::int32_t value : ints)
        out = WriteBigEndian32(out, static_cast<std::uint32_t>(value)); // two's complement
    for (const float value : floats)
        out = WriteBigEndian32(out, std::bit_cast<std::uint32_t>(value)); // NaN payloads kept
}
} // namespace

std::vector<std::uint8_t> EncodeOscMessage(std::string_view address,
                                           std::span<const std::string> strings,
                                           std::span<const std::int32_t> ints,
                                           std::span<const float> floats)
{
    // The same bytes as appending section by section with AppendOscString and
    // AppendBigEndian32, measured first so the buffer is sized and zeroed once.
    const std::size_t size = MessageSize(address, strings, ints.size(), floats.size());
    std::vector<std::uint8_t> buffer;
    buffer.reserve(size > 256 ? size : 256); // the controller's own messages never need more
    buffer.resize(size);
    Write(buffer.data(), address, strings, ints, floats);
    return buffer;
}

std::size_t EncodeOscMessageInto(std::span<std::uint8_t> room, std::string_view address,
                                 std::span<const std::string_view> strings,
                                 std::span<const std::int32_t> ints, std::span<const float> floats)
{
    const std::size_t size = MessageSize(address, strings, ints.size(), floats.size());
    if (size > room.size())
        return 0;
    std::memset(room.data(), 0, size);
    Write(room.data(), address, strings, ints, floats);
    return size;
}
} // namespace osc
