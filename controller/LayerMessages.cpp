#include "controller/LayerMessages.h"

#include "osc/OscEncoder.h"

#include <array>
#include <charconv>
#include <cstring>
#include <string_view>

namespace
{
// The longest address is "/composition/layers/" with ten digits and "/transition/duration".
using AddressText = std::array<char, 64>;

std::string_view WriteAddress(std::int32_t layerNumber, std::string_view action, AddressText& text)
{
    constexpr std::string_view kSelected = "/composition/selectedlayer";
    constexpr std::string_view kNumbered = "/composition/layers/";
    char* end = text.data();
    if (layerNumber < 1)
        end = std::copy(kSelected.begin(), kSelected.end(), end);
    else
    {
        end = std::copy(kNumbered.begin(), kNumbered.end(), end);
        end = std::to_chars(end, text.data() + text.size(), layerNumber).ptr;
    }
    end = std::copy(action.begin(), action.end(), end);
    return std::string_view(text.data(), static_cast<std::size_t>(end - text.data()));
}
} // namespace

std::size_t EncodeTransitionMessage(std::span<std::uint8_t> room, std::int32_t layerNumber,
                                    float durationSeconds)
{
    AddressText text{};
    const std::string_view strings[] = {"a"};
    const float floats[] = {durationSeconds};
    return osc::EncodeOscMessageInto(room, WriteAddress(layerNumber, "/transition/duration", text),
                                     strings, {}, floats);
}

std::size_t EncodeNextClipMessage(std::span<std::uint8_t> room, std::int32_t layerNumber)
{
    AddressText text{};
    const std::int32_t ints[] = {1};
    return osc::EncodeOscMessageInto(room, WriteAddress(layerNumber, "/connectnextclip", text), {},
                                     ints, {});
}
