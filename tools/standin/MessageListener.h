// The host's OSC input: between frames the stand-in waits here, taking each datagram off its
// loopback port as it arrives, recording it and printing it decoded. Main thread only.
#pragma once

#include "tools/standin/Console.h"
#include "tools/standin/RunRecord.h"
#include "tools/testhost/OscReceiver.h"

#include <optional>

namespace standin
{

class MessageListener
{
public:
    // Without a receiver it only waits: the messages go to a real host.
    MessageListener(std::optional<testhost::OscReceiver> receiver, Console& console,
                    RunRecord& record);

    // Returns at the deadline, or at once when it has passed (after taking what is waiting),
    // or within a few milliseconds of an interruption.
    void WaitUntil(Clock::time_point deadline);

private:
    void TakeUntil(Clock::time_point deadline);
    void Take(testhost::ReceivedOsc message);

    std::optional<testhost::OscReceiver> input;
    Console& console;
    RunRecord& record;
};

} // namespace standin
