#include "controller/LayerMessages.h"

std::string LayerAddress(std::int32_t layerNumber)
{
    if (layerNumber < 1)
        return "/composition/selectedlayer";
    return "/composition/layers/" + std::to_string(layerNumber);
}

osc::OscMessage TransitionMessage(const std::string& layerAddress, float durationSeconds)
{
    return osc::OscMessage{layerAddress + "/transition/duration", {"a"}, {}, {durationSeconds}};
}

osc::OscMessage NextClipMessage(const std::string& layerAddress)
{
    return osc::OscMessage{layerAddress + "/connectnextclip", {}, {1}, {}};
}
