// One JSON object on one line, written field by field in the order given.
#pragma once

#include <string>
#include <string_view>

namespace standin
{

// The text as a JSON string: quoted, with quotes, backslashes and control bytes escaped.
std::string JsonString(std::string_view text);

class JsonLine
{
public:
    // The value as written: a number, true, false, null, an array or an object.
    JsonLine& Raw(std::string_view key, std::string_view value);
    JsonLine& Text(std::string_view key, std::string_view text);
    JsonLine& Bool(std::string_view key, bool value);
    // "{...}", without a line end.
    std::string Close() const;

private:
    std::string fields;
};

} // namespace standin
