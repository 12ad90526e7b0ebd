// What one sender thread sends: a copy of everything it needs, nothing of the instance.
#pragma once

#include <cstdint>
#include <string>

struct SendJob
{
    float durationSeconds = 0.0f;
    std::string host;
    std::int32_t port = 0;
    bool sendDuration = false;
    bool sendNextClip = false;
    bool sendMessage = false;
    std::string messageText;
    std::string layerAddress;
};

// The body of a sender thread: the due messages in the order transition duration, next clip,
// free text, each send completing before the next begins. Outcomes are dropped. Blocking.
void RunSendJob(SendJob job);

// "/composition/selectedlayer" below layer 1, else "/composition/layers/" and the number.
std::string LayerAddress(std::int32_t layerNumber);

// The port text's leading base-10 integer when it lies in 1..65535, else the fallback.
std::int32_t ParsePort(const std::string& text, std::int32_t fallback);
