#include "osc/NumberConversion.h"

#include "platform/FloatFromChars.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

// from_chars (platform::FloatFromChars) never looks at the locale, but it takes no white space,
// no "+", no "0x" and reports no underflow for inexact subnormal results; this file adds those
// parts of strtof.
namespace osc
{
namespace
{
bool IsCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDecimalDigit(char c)
{
    return c >= '0' && c <= '9';
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsHexDigit(char c)
{
    return HexDigitValue(c) >= 0;
}

std::size_t SkipCSpace(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i]))
        ++i;
    return i;
}

// The length of the hex number after "0x": hex digits with an optional point (one digit at
// least), then an optional binary exponent "p" with an optional sign and one digit at least.
// libstdc++ 12's hex from_chars also takes "p+-1", so it only ever sees this much.
std::size_t HexNumberLength(std::string_view text)
{
    std::size_t i = 0;
    bool digits = false;
    for (; i < text.size() && IsHexDigit(text[i]); ++i)
        digits = true;
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && IsHexDigit(text[i]); ++i)
            digits = true;
    if (!digits)
        return 0;
    if (i < text.size() && (text[i] == 'p' || text[i] == 'P'))
    {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && IsDecimalDigit(text[j]))
        {
            while (j < text.size() && IsDecimalDigit(text[j]))
                ++j;
            i = j;
        }
    }
    return i;
}

// A positive number written as 0.d1d2d3... times base^exponent, with no leading or trailing
// zero digit; zero has no digits. Two numbers in the same base compare exactly through it.
struct Significand
{
    std::string digits;
    std::int64_t exponent = 0;
};

// Beyond any exponent that matters for a float, and far from overflowing when added to.
constexpr std::int64_t kExponentLimit = 1'000'000'000'000;

// Reads "[sign]digits" as they follow "e" or "p", saturating.
std::int64_t ReadExponent(std::string_view text)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && IsDecimalDigit(text[i]); ++i)
        value = std::min(value * 10 + (text[i] - '0'), kExponentLimit);
    return negative ? -value : value;
}

Significand Normalise(const std::string& digits, std::int64_t integerDigits, std::int64_t exponent)
{
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos)
        return {};
    const std::size_t last = digits.find_last_not_of('0');
    return {digits.substr(first, last - first + 1),
            integerDigits + exponent - static_cast<std::int64_t>(first)};
}

// "123.45e-6" as from_chars consumed it (no sign): base 10.
Significand DecimalSignificand(std::string_view number)
{
    std::string digits;
    std::int64_t integerDigits = 0;
    bool afterPoint = false;
    std::size_t i = 0;
    for (; i < number.size(); ++i)
    {
        const char c = number[i];
        if (c == '.')
            afterPoint = true;
        else if (IsDecimalDigit(c))
        {
            digits += c;
            integerDigits += afterPoint ? 0 : 1;
        }
        else
            break;
    }
    const std::int64_t exponent = (i < number.size() && (number[i] == 'e' || number[i] == 'E'))
                                      ? ReadExponent(number.substr(i + 1))
                                      : 0;
    return Normalise(digits, integerDigits, exponent);
}

// "1.8p-3" as from_chars consumed it after "0x": base 2, four bits per hex digit.
Significand BinarySignificand(std::string_view number)
{
    std::string bits;
    std::int64_t integerBits = 0;
    bool afterPoint = false;
    std::size_t i = 0;
    for (; i < number.size(); ++i)
    {
        const char c = number[i];
        const int value = HexDigitValue(c);
        if (c == '.')
            afterPoint = true;
        else if (value >= 0)
        {
            for (int bit = 3; bit >= 0; --bit)
                bits += ((value >> bit) & 1) ? '1' : '0';
            integerBits += afterPoint ? 0 : 4;
        }
        else
            break;
    }
    const std::int64_t exponent = (i < number.size() && (number[i] == 'p' || number[i] == 'P'))
                                      ? ReadExponent(number.substr(i + 1))
                                      : 0;
    return Normalise(bits, integerBits, exponent);
}

// The exact digits of a positive double that needs no more than ~110 significant digits.
Significand SignificandOf(double value, bool binary)
{
    char text[256];
    const std::to_chars_result written =
        binary ? std::to_chars(text, text + sizeof text, value, std::chars_format::hex)
               : std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 160);
    const std::string_view printed(text, static_cast<std::size_t>(written.ptr - text));
    return binary ? BinarySignificand(printed) : DecimalSignificand(printed);
}

int Compare(const Significand& a, const Significand& b)
{
    if (a.digits.empty() || b.digits.empty())
        return static_cast<int>(!a.digits.empty()) - static_cast<int>(!b.digits.empty());
    if (a.exponent != b.exponent)
        return a.exponent < b.exponent ? -1 : 1;
    const int order = a.digits.compare(b.digits); // no trailing zeros: a prefix is smaller
    return (order > 0) - (order < 0);
}

// glibc reports a range error for a finite result when the exact value is tiny after rounding
// (below the smallest normal float even when rounded to 24 bits with an unbounded exponent) and
// the result is inexact. `magnitude` is the correctly rounded, non-zero result.
bool IsUnderflow(float magnitude, const Significand& exact, bool binary)
{
    constexpr float kSmallestNormal = std::numeric_limits<float>::min();
    if (magnitude > kSmallestNormal)
        return false;
    if (magnitude < kSmallestNormal)
        return Compare(exact, SignificandOf(static_cast<double>(magnitude), binary)) != 0;
    // Rounded up to the smallest normal: still tiny below the midpoint between it and the
    // largest 24-bit value under it, 2^-126 - 2^-151 (the midpoint itself rounds to even, up).
    constexpr double kTinyBelow = 0x1.ffffffp-127;
    return Compare(exact, SignificandOf(kTinyBelow, binary)) < 0;
}

// What strtoull(chars, base 0) makes of the characters of "nan(chars)".
struct UnsignedRead
{
    std::uint64_t value = 0;
    bool whole = true;     // every character was part of the number
    bool overflow = false; // the number passed 2^64 - 1 (strtoull saturates and sets ERANGE)
};

UnsignedRead ReadUnsignedBase0(std::string_view chars)
{
    UnsignedRead read;
    unsigned base = 10;
    std::size_t i = 0;
    if (chars.size() > 2 && chars[0] == '0' && (chars[1] == 'x' || chars[1] == 'X') &&
        IsHexDigit(chars[2]))
    {
        base = 16;
        i = 2;
    }
    else if (!chars.empty() && chars[0] == '0')
        base = 8;
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    for (; i < chars.size(); ++i)
    {
        const int digit = HexDigitValue(chars[i]);
        if (digit < 0 || static_cast<unsigned>(digit) >= base)
        {
            read.whole = false;
            break;
        }
        const auto d = static_cast<std::uint64_t>(digit);
        if (read.value > (kMax - d) / base)
        {
            read.overflow = true;
            read.value = kMax;
        }
        else
            read.value = read.value * base + d;
    }
    return read;
}

// glibc reads "nan(chars)" with strtoull: a number that takes every character goes into the 22
// payload bits of a quiet NaN, and one that overflows leaves ERANGE behind, which makes the
// whole conversion a range error. Nothing when that happens.
std::optional<float> NanWithPayload(std::string_view number, float nan)
{
    const std::size_t open = number.find('(');
    if (open == std::string_view::npos || number.back() != ')')
        return nan;
    const UnsignedRead read = ReadUnsignedBase0(number.substr(open + 1, number.size() - open - 2));
    if (read.overflow)
        return std::nullopt;
    if (!read.whole)
        return nan;
    return std::bit_cast<float>(std::uint32_t{0x7FC00000u} |
                                static_cast<std::uint32_t>(read.value & 0x3FFFFFu));
}
} // namespace

std::optional<std::int32_t> ConvertInt32(std::string_view text)
{
    std::size_t i = SkipCSpace(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i >= text.size() || !IsDecimalDigit(text[i]))
        return std::nullopt;
    constexpr std::int64_t kLargestMagnitude = std::int64_t{1} << 31;
    std::int64_t magnitude = 0;
    for (; i < text.size() && IsDecimalDigit(text[i]); ++i)
    {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > kLargestMagnitude) // more digits only make it larger
            return std::nullopt;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<float> ConvertFloat32(std::string_view text)
{
    std::size_t i = SkipCSpace(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    const std::string_view rest = text.substr(i);
    if (rest.empty() || rest.front() == '+' || rest.front() == '-')
        return std::nullopt; // from_chars would take a second sign

    // "0x" counts only when a hex digit follows it (or a point and a hex digit); otherwise the
    // number is the "0" in front of the x.
    const bool hex =
        rest.size() > 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X') &&
        (IsHexDigit(rest[2]) || (rest[2] == '.' && rest.size() > 3 && IsHexDigit(rest[3])));
    const char* numberBegin = rest.data() + (hex ? 2 : 0);
    const char* numberEnd =
        hex ? numberBegin + HexNumberLength(rest.substr(2)) : rest.data() + rest.size();
    float value = 0.0f;
    const std::from_chars_result parsed = platform::FloatFromChars(
        numberBegin, numberEnd, value, hex ? std::chars_format::hex : std::chars_format::general);
    if (parsed.ec != std::errc{})
        return std::nullopt; // no number, or overflow / underflow to zero
    const std::string_view number(numberBegin, static_cast<std::size_t>(parsed.ptr - numberBegin));

    if (std::isnan(value))
    {
        const std::optional<float> nan = NanWithPayload(number, value);
        if (!nan)
            return std::nullopt;
        value = *nan;
    }
    else if (std::isfinite(value) && std::fabs(value) <= std::numeric_limits<float>::min())
    {
        const Significand exact = hex ? BinarySignificand(number) : DecimalSignificand(number);
        if (value == 0.0f ? !exact.digits.empty() : IsUnderflow(std::fabs(value), exact, hex))
            return std::nullopt;
    }
    return negative ? -value : value;
}
} // namespace osc
