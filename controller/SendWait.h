// The wait of one send job for its messages' moments, shared by the job's thread and its
// instance, which may call it off: the clip starts again, "Test" sends now, or the instance
// goes. The job's place among the live senders lives here, so that calling off frees it at
// once, while the thread is still on its way out.
#pragma once

#include "controller/SendChannel.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <mutex>
#include <utility>

class SendWait
{
public:
    // `firstUs`: the moment of the job's first message.
    SendWait(SenderSlot senderSlot, std::int64_t firstUs) noexcept
        : waitingForUs(firstUs), slot(std::move(senderSlot))
    {
    }
    SendWait(const SendWait&) = delete;
    SendWait& operator=(const SendWait&) = delete;

    // Sender thread: waits until `deadlineUs` on the steady clock, at once when it has passed.
    // Moments come in order. True when the message is to go out now; false once called off
    // from a moment at or before it.
    bool Until(std::int64_t deadlineUs);
    // Sender thread: hands a failed message back to the instance.
    void Report(const SendFailureReport& report);
    // Sender thread: the job is over, its place free.
    void Finish() noexcept;

    // Any thread: no message of the job due at or after `fromUs` goes out; one due before it
    // was due before whatever calls it off, and still goes. When nothing of the job is left to
    // go, its place is free now. Never waits for the network.
    void CallOff(std::int64_t fromUs) noexcept;

private:
    std::mutex mutex;
    std::condition_variable wake;
    std::atomic<std::int64_t> offFromUs{std::numeric_limits<std::int64_t>::max()};
    std::int64_t waitingForUs;
    bool going = false; // a message is going out: its failure may still be reported
    SenderSlot slot;
};
