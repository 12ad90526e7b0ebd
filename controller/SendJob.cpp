#include "controller/SendJob.h"

#include "controller/osc/NumberConversion.h"
#include "controller/osc/OscSender.h"
#include "controller/osc/OscTextMessage.h"

#include <utility>

void RunSendJob(SendJob job)
{
    if (job.sendDuration)
        osc::SendOscMessage(job.host, job.port, job.layerAddress + "/transition/duration", {},
                            {job.durationSeconds}, {"a"});
    if (job.sendNextClip)
        osc::SendOscMessage(job.host, job.port, job.layerAddress + "/connectnextclip", {1}, {},
                            {});
    if (job.sendMessage)
        osc::SendOscText(job.host, job.port, std::move(job.messageText));
}

std::string LayerAddress(std::int32_t layerNumber)
{
    if (layerNumber < 1)
        return "/composition/selectedlayer";
    return "/composition/layers/" + std::to_string(layerNumber);
}

std::int32_t ParsePort(const std::string& text, std::int32_t fallback)
{
    const auto number = osc::ConvertInt32(text);
    if (!number || *number <= 0 || *number > 65535)
        return fallback;
    return *number;
}
