// The locale-independent conversions against the C library's own strtol / strtof in the "C"
// locale: the same answer for every text, bar one documented glibc slip.
#include "osc/NumberConversion.h"
#include "fuzz/FuzzCheck.h"

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>
#include <optional>
#include <string>

namespace
{
bool IsHexText(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && std::strchr(" \t\n\v\f\r", text[i]) && text[i] != '\0')
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    return text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    const char* chars = reinterpret_cast<const char*>(data);
    const std::string text(chars, strnlen(chars, size));
    char* end = nullptr;

    errno = 0;
    const long wide = strtol_l(text.c_str(), &end, 10, c);
    const bool intOk = end != text.c_str() && errno != ERANGE &&
                       wide >= std::numeric_limits<std::int32_t>::min() &&
                       wide <= std::numeric_limits<std::int32_t>::max();
    const std::optional<std::int32_t> integer = osc::ConvertInt32(text);
    FUZZ_CHECK(integer.has_value() == intOk);
    FUZZ_CHECK(!intOk || *integer == wide);

    errno = 0;
    const float reference = strtof_l(text.c_str(), &end, c);
    const bool floatOk = end != text.c_str() && errno != ERANGE;
    const std::optional<float> value = osc::ConvertFloat32(text);
    if (value && floatOk)
        FUZZ_CHECK(std::bit_cast<std::uint32_t>(*value) == std::bit_cast<std::uint32_t>(reference));
    else if (value.has_value() != floatOk)
        // glibc 2.36's hex path sometimes misses the underflow range error that its decimal
        // path reports for the same value (tests/osc/NumberConversionTest.cpp). Nothing else may
        // differ.
        FUZZ_CHECK(!value && IsHexText(text) &&
                   std::fabs(reference) <= std::numeric_limits<float>::min());
    return 0;
}
