#include "fuzz/PromiseChecks.h"

#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <regex>

namespace hostfuzz
{
namespace
{
constexpr std::size_t kTextLimit = std::size_t{1} << 20;

bool IsDelay(std::uint32_t index)
{
    return index == testhost::DelayIndex || index == testhost::DelayNextClipIndex ||
           index == testhost::MessageDelayIndex;
}

bool IsSwitch(std::uint32_t index)
{
    return index == testhost::LayerTransIndex || index == testhost::NextClipIndex ||
           index == testhost::DelaysInBeatsIndex;
}

// `stored` is a whole number of `step`s within [low, high], and, for a given number, the one
// nearest to it there (half a step away at most).
void CheckStep(float given, float stored, double step, double low, double high)
{
    const double value = static_cast<double>(stored);
    const double steps = value / step;
    FUZZ_CHECK(value >= low && value <= high);
    FUZZ_CHECK(std::fabs(steps - std::round(steps)) < 1e-3);
    if (!std::isnan(given))
        FUZZ_CHECK(std::fabs(value - std::clamp(static_cast<double>(given), low, high)) <=
                   step / 2 + 1e-3 * step);
}

std::string Fixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}
} // namespace

bool IsTextParameter(std::uint32_t index)
{
    return index == testhost::OscMsgIndex || index == testhost::OscHostIndex ||
           index == testhost::OscPortIndex;
}

std::string ReadText(const char* text)
{
    FUZZ_CHECK(text != nullptr);
    const std::size_t length = strnlen(text, kTextLimit);
    FUZZ_CHECK(length < kTextLimit);
    return std::string(text, length);
}

void CheckStatus(const std::string& status)
{
    // A countdown of three fields: "no", "ok", "err", "late" or the tenths left in the unit.
    const auto countdown = [](char unit)
    {
        const std::string field = std::string(R"((no|ok|err|late|\d+\.\d)") + unit + ")";
        return "T" + field + R"(\|N)" + field + R"(\|M)" + field;
    };
    static const std::regex documented(R"(idle|started @ t=-?\d+\.\d{3}|SEND [T-][N-][M-]|)" +
                                       countdown('s') + "|" + countdown('b'));
    if (!std::regex_match(status, documented))
        std::fprintf(stderr, "host fuzzer: Status \"%s\"\n", status.c_str());
    FUZZ_CHECK(std::regex_match(status, documented));
}

void CheckStoredValue(std::uint32_t index, float given, float stored)
{
    if (IsSwitch(index))
        FUZZ_CHECK(stored == (given >= 0.5f ? 1.0f : 0.0f));
    else if (index == testhost::DurationIndex)
        CheckStep(given, stored, 0.1, 0.0, 10.0);
    else if (IsDelay(index))
        CheckStep(given, stored, 100.0, 0.0, 900000.0);
    else if (index == testhost::LayerIndex)
        CheckStep(given, stored, 1.0, 0.0, 64.0);
}

void CheckDisplay(std::uint32_t index, float value, bool beats, const std::string& display)
{
    const std::string expected =
        IsDelay(index) ? Fixed(static_cast<double>(value) / 1000.0, 1) + (beats ? " beats" : "s")
                       : Fixed(static_cast<double>(value), 6);
    if (display != expected)
        std::fprintf(stderr, "host fuzzer: parameter %u shows \"%s\" for %g\n", index,
                     display.c_str(), static_cast<double>(value));
    FUZZ_CHECK(display == expected);
}
} // namespace hostfuzz
