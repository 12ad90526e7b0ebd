#include "controller/osc/OscTextMessage.h"

#include "controller/osc/NumberConversion.h"
#include "controller/osc/OscSender.h"

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

std::optional<OscMessage> ParseOscText(std::string text)
{
    TrimOscText(text);
    if (text.empty() || text.front() != '/')
        return std::nullopt;

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
        const std::optional<std::int32_t> value = ConvertInt32(NextToken(line, position));
        if (!value)
            return std::nullopt;
        message.ints.push_back(*value);
    }
    else
    {
        // "f" and "a" take the next token; any other kind token is itself the value.
        const bool kindIsLetter = kind == "f" || kind == "a";
        const std::optional<float> value =
            ConvertFloat32(kindIsLetter ? NextToken(line, position) : kind);
        if (!value)
            return std::nullopt;
        if (kind == "a")
            message.strings.emplace_back("a");
        message.floats.push_back(*value);
    }
    return message;
}

void SendOscText(const std::string& host, std::int32_t port, std::string text)
{
    if (const std::optional<OscMessage> message = ParseOscText(std::move(text)))
        (void)SendOscMessage(host, port, message->address, message->ints, message->floats,
                             message->strings);
}
} // namespace osc
