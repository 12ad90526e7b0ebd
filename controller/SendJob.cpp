#include "controller/SendJob.h"

#include "controller/osc/NumberConversion.h"
#include "controller/osc/OscSender.h"
#include "controller/osc/OscTextMessage.h"

#include <utility>

namespace
{
// The argument lists live in arrays on the stack, so the lists cost no allocation ("a" fits in
// the string's own buffer).
void SendDuration(const SendJob& job)
{
    const float floats[] = {job.durationSeconds};
    const std::string strings[] = {"a"};
    osc::SendOscMessage(job.host, job.port, job.layerAddress + "/transition/duration", {}, floats,
                        strings);
}

void SendNextClip(const SendJob& job)
{
    const std::int32_t ints[] = {1};
    osc::SendOscMessage(job.host, job.port, job.layerAddress + "/connectnextclip", ints, {}, {});
}
} // namespace

void RunSendJob(SendJob job)
{
    if (job.sendDuration)
        SendDuration(job);
    if (job.sendNextClip)
        SendNextClip(job);
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
