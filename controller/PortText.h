// The "OSC Port" text as the port it names.
#pragma once

#include <cstdint>
#include <string>

// What an "OSC Port" text that is no port stands for.
inline constexpr std::int32_t kDefaultOscPort = 7000;

// The port text's leading base-10 integer when it lies in 1..65535, else the fallback.
std::int32_t ParsePort(const std::string& text, std::int32_t fallback);
// Whether the text is a port as a user means it: digits only (spaces around them aside), 1 to
// 65535. Anything else is used as ParsePort reads it, and the user is told.
bool IsPlainPort(const std::string& text);
