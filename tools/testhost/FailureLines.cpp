#include "tools/testhost/FailureLines.h"

#include <regex>

namespace testhost
{
long CountNotSent(const std::vector<std::string>& lines)
{
    static const std::regex failure(R"(VendrolixOSC: .* not sent to .*: .*?(?: \((\d+) times\))?)");
    long count = 0;
    std::smatch match;
    for (const std::string& line : lines)
        if (std::regex_match(line, match, failure))
            count += match[1].matched ? std::stol(match[1]) : 1;
    return count;
}
} // namespace testhost
