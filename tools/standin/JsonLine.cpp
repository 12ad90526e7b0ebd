#include "tools/standin/JsonLine.h"

#include "tools/standin/TextFormat.h"

namespace standin
{

std::string JsonString(std::string_view text)
{
    std::string json(1, '"');
    for (const char c : text)
    {
        if (c == '"' || c == '\\')
            json += '\\';
        if (static_cast<unsigned char>(c) < 0x20)
            json += FormatText("\\u%04x", static_cast<unsigned>(c));
        else
            json += c;
    }
    json += '"';
    return json;
}

JsonLine& JsonLine::Raw(std::string_view key, std::string_view value)
{
    if (!fields.empty())
        fields += ',';
    fields += JsonString(key);
    fields += ':';
    fields += value;
    return *this;
}

JsonLine& JsonLine::Text(std::string_view key, std::string_view text)
{
    return Raw(key, JsonString(text));
}

JsonLine& JsonLine::Bool(std::string_view key, bool value)
{
    return Raw(key, value ? "true" : "false");
}

std::string JsonLine::Close() const
{
    std::string json(1, '{');
    json += fields;
    json += '}';
    return json;
}

} // namespace standin
