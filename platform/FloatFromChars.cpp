#include "platform/FloatFromChars.h"

#include <atomic>

#ifndef _WIN32
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <string>
#include <string_view>
#if __has_include(<xlocale.h>)
#include <xlocale.h> // macOS declares strtof_l here, glibc in <stdlib.h>
#endif
#endif

namespace platform
{
namespace
{
std::atomic<FloatReader> installedReader{nullptr};

#ifndef _WIN32
bool IsNanCharacter(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

// What "nan(chars)" spans is left to each C library (Apple's reads any characters up to the
// parenthesis); from_chars takes C's rule: letters, digits and underscores. `first` holds "nan".
const char* NanEnd(const char* first, const char* last)
{
    const char* word = first + 3;
    if (word == last || *word != '(')
        return word;
    const char* close = word + 1;
    while (close != last && IsNanCharacter(*close))
        ++close;
    return close != last && *close == ')' ? close + 1 : word;
}
#endif

std::from_chars_result PlatformFloatFromChars(const char* first, const char* last, float& value,
                                              std::chars_format format)
{
#ifdef _LIBCPP_VERSION
    return FloatFromCharsByStrtof(first, last, value, format);
#else
    return std::from_chars(first, last, value, format);
#endif
}
} // namespace

std::from_chars_result FloatFromChars(const char* first, const char* last, float& value,
                                      std::chars_format format)
{
    const FloatReader reader = installedReader.load();
    return (reader ? reader : &PlatformFloatFromChars)(first, last, value, format);
}

#ifndef _WIN32
std::from_chars_result FloatFromCharsByStrtof(const char* first, const char* last, float& value,
                                              std::chars_format format)
{
    // The "C" locale is one static object in every C library: made once, never freed.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    // from_chars takes neither the white space that strtof skips nor a plus sign.
    if (first == last || std::string_view(" \t\n\v\f\r+").find(*first) != std::string_view::npos)
        return {first, std::errc::invalid_argument};
    const bool hex = format == std::chars_format::hex;
    // strtof wants a terminated text, and hex digits only after "0x".
    const std::string text = (hex ? "0x" : "") + std::string(first, last);
    const std::size_t prefix = hex ? 2 : 0;
    char* end = nullptr;
    errno = 0;
    const float read = strtof_l(text.c_str(), &end, cLocale);
    const auto length = static_cast<std::size_t>(end - text.c_str());
    if (length <= prefix)
        return {first, std::errc::invalid_argument};
    if (std::isnan(read))
    {
        value = std::numeric_limits<float>::quiet_NaN();
        return {NanEnd(first, last), std::errc{}};
    }
    const char* numberEnd = first + (length - prefix);
    if (errno == ERANGE && (read == 0.0f || std::isinf(read)))
        return {numberEnd, std::errc::result_out_of_range};
    value = read;
    return {numberEnd, std::errc{}};
}
#endif

FloatReader InstallFloatReader(FloatReader reader)
{
    return installedReader.exchange(reader);
}
} // namespace platform
