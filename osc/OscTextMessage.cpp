#include "osc/OscTextMessage.h"

#include "osc/NumberConversion.h"

#include <utility>

namespace osc
{
namespace
{
bool IsSeparator(char c)
{
    return c == ' ' || c == '\t';
}

std::size_t SkipSeparators(std::string_view text, std::size_t position)
{
    while (position < text.size() && IsSeparator(text[position]))
        ++position;
    return position;
}
} // namespace

void TrimOscText(std::string& text)
{
    while (!text.empty() &&
           (text.back() == '\r' || text.back() == '\n' || IsSeparator(text.back())))
        text.pop_back();
    text.erase(0, SkipSeparators(text, 0));
}

std::string_view NextToken(std::string_view text, std::size_t& position)
{
    const std::size_t start = SkipSeparators(text, position);
    std::size_t end = start;
    while (end < text.size() && !IsSeparator(text[end]))
        ++end;
    position = end;
    return start < text.size() ? text.substr(start, end - start) : std::string_view{};
}

std::optional<OscMessage> ParseOscText(std::string text, std::string* problem)
{
    auto refuse = [problem](std::string why) -> std::optional<OscMessage>
    {
        if (problem)
            *problem = std::move(why);
        return std::nullopt;
    };
    auto quoted = [](std::string_view token)
    {
        std::string shown(1, '"');
        shown.append(token).push_back('"');
        return shown;
    };

    TrimOscText(text);
    if (text.empty())
        return refuse("it holds no address");
    if (text.front() != '/')
        return refuse("it does not begin with \"/\"");

    const std::string_view line = text;
    std::size_t position = 0;
    while (position < line.size() && !IsSeparator(line[position]))
        ++position;
    OscMessage message;
    message.address = line.substr(0, position);

    const std::string_view kind = NextToken(line, position);
    if (kind.empty())
    {
        message.ints.push_back(1);
    }
    else if (kind == "s")
    {
        message.strings.emplace_back(line.substr(SkipSeparators(line, position)));
    }
    else if (kind == "i")
    {
        const std::string_view token = NextToken(line, position);
        const std::optional<std::int32_t> value = ConvertInt32(token);
        if (!value)
            return refuse(token.empty() ? "\"i\" needs a whole number after it"
                                        : quoted(token) + " is not a whole number from "
                                                          "-2147483648 to 2147483647");
        message.ints.push_back(*value);
    }
    else
    {
        // "f" and "a" take the next token; any other kind token is itself the value.
        const bool kindIsLetter = kind == "f" || kind == "a";
        const std::string_view token = kindIsLetter ? NextToken(line, position) : kind;
        const std::optional<float> value = ConvertFloat32(token);
        if (!value)
            return refuse(token.empty()  ? quoted(kind) + " needs a number after it"
                          : kindIsLetter ? quoted(token) + " is not a number in float range"
                                         : quoted(token) + " is neither a kind letter (i, f, "
                                                           "a, s) nor a number");
        if (kind == "a")
            message.strings.emplace_back("a");
        message.floats.push_back(*value);
    }
    return message;
}
} // namespace osc
