#include "fuzz/ByteReader.h"

#include <bit>
#include <limits>

namespace hostfuzz
{
namespace
{
constexpr float kSpecialFloats[] = {
    std::numeric_limits<float>::quiet_NaN(),
    std::numeric_limits<float>::infinity(),
    -std::numeric_limits<float>::infinity(),
    -0.0f,
    std::numeric_limits<float>::denorm_min(),
    std::numeric_limits<float>::max(),
    std::numeric_limits<float>::lowest(),
    0.5f,
    1.0f,
    999.0f,
    999.1f,
    900000.0f,
    900000.5f,
    2147483648.0f,
    -2147483904.0f,
    1e10f,
};
constexpr double kSpecialDoubles[] = {
    std::numeric_limits<double>::quiet_NaN(),
    std::numeric_limits<double>::infinity(),
    -std::numeric_limits<double>::infinity(),
    -0.0,
    std::numeric_limits<double>::denorm_min(),
    std::numeric_limits<double>::max(),
    -0.05,
    -0.0500001,
    1e9,
    1e9 + 1.0,
    9.3e12, // beyond INT64_MAX microseconds
    1e39,
    -1e300,
    0.001,
};
} // namespace

std::uint8_t ByteReader::Byte()
{
    return next < size ? data[next++] : 0;
}

std::uint32_t ByteReader::U32()
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = value << 8 | Byte();
    return value;
}

float ByteReader::Float()
{
    const std::uint8_t kind = Byte();
    if (kind < 64)
        return kSpecialFloats[kind % std::size(kSpecialFloats)];
    if (kind < 160)
        return static_cast<float>(static_cast<std::int32_t>(U32() % 2001) - 1000);
    return std::bit_cast<float>(U32());
}

double ByteReader::Double()
{
    const std::uint8_t kind = Byte();
    if (kind < 48)
        return kSpecialDoubles[kind % std::size(kSpecialDoubles)];
    if (kind < 200) // a clip time in milliseconds, up to a minute
        return static_cast<double>(U32() % 60000) / 1000.0;
    const std::uint64_t high = U32();
    return std::bit_cast<double>(high << 32 | U32());
}

std::string ByteReader::Bytes(std::size_t limit)
{
    std::size_t count = Byte();
    if (count == 255)
        count = U32() % (limit + 1);
    std::string text;
    while (text.size() < count && !AtEnd())
        text.push_back(static_cast<char>(Byte()));
    return text;
}
} // namespace hostfuzz
