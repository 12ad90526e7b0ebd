// Arbitrary text through the free-text syntax into the encoder. Checks: no
// crash or sanitizer report, a length that is a multiple of 4, and liblo, an independent
// decoder, reads back the address, the type tags and every value that went in.
#include "osc/OscEncoder.h"
#include "osc/OscTextMessage.h"
#include "fuzz/FuzzCheck.h"

#include <lo/lo.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace
{
// liblo's argument pointers are only 4-byte aligned: read by copy.
template <typename T> T Read(const lo_arg* argument)
{
    T value;
    std::memcpy(&value, argument, sizeof value);
    return value;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The host hands the text over as a C string: it ends at the first zero byte.
    const char* chars = reinterpret_cast<const char*>(data);
    const std::string text(chars, strnlen(chars, size));

    const std::optional<osc::OscMessage> message = osc::ParseOscText(text);
    if (!message)
        return 0;
    FUZZ_CHECK(!message->address.empty() && message->address.front() == '/');
    FUZZ_CHECK(message->strings.size() + message->ints.size() + message->floats.size() == 1 ||
               (message->strings.size() == 1 && message->floats.size() == 1 &&
                message->strings.front() == "a"));

    std::vector<std::uint8_t> bytes =
        osc::EncodeOscMessage(message->address, message->strings, message->ints, message->floats);
    FUZZ_CHECK(bytes.size() % 4 == 0);

    const char* path = lo_get_path(bytes.data(), static_cast<ssize_t>(bytes.size()));
    FUZZ_CHECK(path != nullptr && message->address == path);

    int result = 0;
    const lo_message decoded = lo_message_deserialise(bytes.data(), bytes.size(), &result);
    FUZZ_CHECK(decoded != nullptr);
    const std::string types = lo_message_get_types(decoded);
    const std::string expectedTypes = std::string(message->strings.size(), 's') +
                                      std::string(message->ints.size(), 'i') +
                                      std::string(message->floats.size(), 'f');
    FUZZ_CHECK(types == expectedTypes);
    FUZZ_CHECK(lo_message_get_argc(decoded) == static_cast<int>(types.size()));

    lo_arg** argv = lo_message_get_argv(decoded);
    std::size_t next = 0;
    for (const std::string& value : message->strings)
        FUZZ_CHECK(value == reinterpret_cast<const char*>(argv[next++]));
    for (const std::int32_t value : message->ints)
        FUZZ_CHECK(value == Read<std::int32_t>(argv[next++]));
    for (const float value : message->floats) // bit for bit: NaN payloads and -0 included
        FUZZ_CHECK(std::bit_cast<std::uint32_t>(value) == Read<std::uint32_t>(argv[next++]));
    lo_message_free(decoded);
    return 0;
}
