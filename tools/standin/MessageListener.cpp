#include "tools/standin/MessageListener.h"

#include "tools/standin/Interruption.h"
#include "tools/standin/OscText.h"

#include <algorithm>
#include <thread>

namespace standin
{
namespace
{
// How often a long wait looks for an interruption.
constexpr auto kWakeUp = std::chrono::milliseconds(20);
} // namespace

MessageListener::MessageListener(std::optional<testhost::OscReceiver> receiver, Console& output,
                                 RunRecord& runRecord)
    : input(std::move(receiver)), console(output), record(runRecord)
{
}

void MessageListener::WaitUntil(Clock::time_point deadline)
{
    do
        TakeUntil(std::min(deadline, Clock::now() + kWakeUp));
    while (Clock::now() < deadline && !Interrupted());
}

void MessageListener::TakeUntil(Clock::time_point deadline)
{
    while (input)
    {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        std::optional<testhost::ReceivedOsc> message =
            input->Receive(std::max(left, std::chrono::milliseconds(0)));
        if (!message)
            break;
        Take(std::move(*message));
    }
    // The receiver's wait counts whole milliseconds; the rest is slept.
    std::this_thread::sleep_until(deadline);
}

void MessageListener::Take(testhost::ReceivedOsc message)
{
    Arrival arrival;
    arrival.clip = record.ClipAt(message.arrival);
    arrival.frame = record.frames.size();
    const std::string stamp = record.Stamp(message.arrival);
    console.Line(stamp + " after frame " + std::to_string(arrival.frame) + "  OSC " +
                 FormatOscMessage(message));
    arrival.message = std::move(message);
    record.arrivals.push_back(std::move(arrival));
}

} // namespace standin
