#include "tools/testhost/FailureLines.h"

#include <regex>

namespace testhost
{
std::map<std::string, long> NotSentByReason(const std::vector<std::string>& lines)
{
    static const std::regex failure(
        R"(VendrolixOSC: .* not sent to .*?: (.*?)(?: \((\d+) times\))?)");
    static const std::regex unlisted(R"(VendrolixOSC: (\d+) more messages not sent \((.*)\))");
    std::map<std::string, long> reasons;
    std::smatch match;
    for (const std::string& line : lines)
        if (std::regex_match(line, match, failure))
            reasons[match[1]] += match[2].matched ? std::stol(match[2]) : 1;
        else if (std::regex_match(line, match, unlisted))
            reasons[match[2]] += std::stol(match[1]);
    return reasons;
}

long CountNotSent(const std::vector<std::string>& lines)
{
    long count = 0;
    for (const auto& [reason, times] : NotSentByReason(lines))
        count += times;
    return count;
}
} // namespace testhost
