#include "tools/standin/OscText.h"

#include "tools/standin/Overloaded.h"
#include "tools/standin/TextFormat.h"

namespace standin
{
namespace
{
std::string FormatOscValue(const testhost::OscValue& value)
{
    return std::visit(
        Overloaded{
            [](std::monostate) -> std::string { return "-"; },
            [](std::int32_t v) { return std::to_string(v); },
            [](std::int64_t v) { return std::to_string(v); },
            [](float v) { return FormatText("%g", static_cast<double>(v)); },
            [](double v) { return FormatText("%g", v); },
            [](const std::string& v) { return Quoted(v); },
            [](const std::vector<std::uint8_t>& v) { return FormatText("<%zu bytes>", v.size()); },
        },
        value);
}
} // namespace

std::string FormatOscMessage(const testhost::ReceivedOsc& message)
{
    if (!message.decoded)
        return FormatText("not OSC (%zu bytes, liblo error %d)", message.bytes.size(),
                          message.decodeError);
    std::string text = message.address;
    text += " ,";
    text += message.types;
    for (const testhost::OscValue& value : message.values)
    {
        text += ' ';
        text += FormatOscValue(value);
    }
    return text;
}

} // namespace standin
