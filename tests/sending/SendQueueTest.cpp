// The send queue: deadline order, the bounds, and a cancel that answers exactly what it removed.
#include "sending/SendQueue.h"
#include "sending/SendChannel.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace
{
ScheduledMessage Message(const std::shared_ptr<SendChannel>& owner, MessageKind kind,
                         std::int64_t deadlineUs)
{
    ScheduledMessage message;
    message.channel = owner;
    message.kind = kind;
    message.deadlineUs = deadlineUs;
    return message;
}

TEST(SendQueue, TakesByDeadlineAndCancelAnswersExactlyWhatItRemoved)
{
    SendQueue queue;
    const auto a = std::make_shared<SendChannel>();
    const auto b = std::make_shared<SendChannel>();
    ASSERT_FALSE(queue.Schedule(Message(a, kNextClip, 300), 0));
    ASSERT_FALSE(queue.Schedule(Message(a, kTransition, 100), 0));
    ASSERT_FALSE(queue.Schedule(Message(b, kTransition, 200), 0));
    EXPECT_EQ(queue.NextDeadline(), 100);

    ScheduledMessage taken;
    EXPECT_FALSE(queue.TakeDue(99, taken)) << "nothing before its deadline";
    ASSERT_TRUE(queue.TakeDue(150, taken));
    EXPECT_EQ(taken.kind, kTransition);
    EXPECT_EQ(taken.channel, a);

    // What was taken is gone for the cancel: sent stays sent. One due by now goes too.
    EXPECT_EQ(queue.Cancel(*a, {true, true, true}, 150), (MessageSet{false, true, false}));
    EXPECT_EQ(queue.Cancel(*a, {true, true, true}, 150), (MessageSet{}));
    EXPECT_EQ(queue.Waiting(*a), 0u);
    EXPECT_EQ(queue.Cancel(*b, {true, true, true}, 250), (MessageSet{}))
        << "due by then: on its way";
    ASSERT_TRUE(queue.TakeDue(250, taken));
    EXPECT_EQ(taken.channel, b);
    EXPECT_FALSE(queue.TakeDue(1000000, taken)) << "the cancelled one never goes";
}

TEST(SendQueue, MovesWaitingMessagesInPlaceEvenWithEveryPlaceTaken)
{
    SendQueue queue;
    const auto a = std::make_shared<SendChannel>();
    const auto b = std::make_shared<SendChannel>();
    ASSERT_FALSE(queue.Schedule(Message(a, kTransition, 100), 0));
    ASSERT_FALSE(queue.Schedule(Message(a, kNextClip, 500), 0));
    ASSERT_FALSE(queue.Schedule(Message(a, kFreeText, 600), 0));
    ASSERT_FALSE(queue.Schedule(Message(a, kFreeText, 700), 0));
    ASSERT_FALSE(queue.Schedule(Message(b, kNextClip, 400), 0));
    ASSERT_EQ(queue.Waiting(*a), SendQueue::kPerInstance);

    // The transition is due by 150: on its way, it keeps its deadline. The others move, the
    // next clip before b's message.
    EXPECT_EQ(queue.Move(*a, {50, 350, 800}, 150), (MessageSet{false, true, true}));
    EXPECT_EQ(queue.Waiting(*a), SendQueue::kPerInstance);
    ScheduledMessage taken;
    std::vector<std::pair<MessageKind, std::int64_t>> order;
    while (queue.TakeDue(1000, taken))
        order.emplace_back(taken.kind, taken.deadlineUs);
    EXPECT_EQ(order, (std::vector<std::pair<MessageKind, std::int64_t>>{{kTransition, 100},
                                                                        {kNextClip, 350},
                                                                        {kNextClip, 400},
                                                                        {kFreeText, 800},
                                                                        {kFreeText, 800}}));
    EXPECT_EQ(queue.Move(*a, {1, 1, 1}, 0), (MessageSet{})) << "nothing waits to move";
}

TEST(SendQueue, AnInstanceIsBoundOnlyByWhatIsStillToComeTheProcessByEverything)
{
    SendQueue queue;
    const auto a = std::make_shared<SendChannel>();
    for (std::size_t i = 0; i < SendQueue::kPerInstance; ++i)
        EXPECT_FALSE(queue.Schedule(Message(a, kTransition, 1000), 0));
    EXPECT_EQ(queue.Schedule(Message(a, kTransition, 1000), 999), SendFailure::TooManySends);
    EXPECT_FALSE(queue.Schedule(Message(a, kNextClip, 1000), 1000))
        << "their moment has come: on their way, whether taken or not, they hold no place";

    std::vector<std::shared_ptr<SendChannel>> others;
    while (queue.Waiting() < SendQueue::kCapacity)
    {
        others.push_back(std::make_shared<SendChannel>());
        ASSERT_FALSE(queue.Schedule(Message(others.back(), kNextClip, 1000), 0));
    }
    const auto late = std::make_shared<SendChannel>();
    EXPECT_EQ(queue.Schedule(Message(late, kNextClip, 1000), 1000), SendFailure::TooManySends)
        << "the process's room holds every message until it is taken";
    queue.Cancel(*a, {true, false, false}, 0); // frees its places
    EXPECT_FALSE(queue.Schedule(Message(late, kNextClip, 1000), 0));
}

TEST(SendQueue, ATakenOrCancelledPlaceLetsGoOfItsChannelAtOnce)
{
    SendQueue queue;
    const auto a = std::make_shared<SendChannel>();
    ASSERT_FALSE(queue.Schedule(Message(a, kTransition, 100), 0));
    ASSERT_FALSE(queue.Schedule(Message(a, kNextClip, 200), 0));
    ASSERT_EQ(a.use_count(), 3);
    {
        ScheduledMessage taken;
        ASSERT_TRUE(queue.TakeDue(100, taken));
        EXPECT_EQ(a.use_count(), 3) << "the taken message holds it, its place no more";
    }
    EXPECT_EQ(a.use_count(), 2);
    queue.Cancel(*a, {true, true, true}, 100);
    EXPECT_EQ(a.use_count(), 1) << "nothing of the queue's keeps a deleted instance's channel";
}
TEST(SendChannel, KeepsTheLatestOutcomeOfEachKindWhenMoreComeThanItHasRoomFor)
{
    SendChannel channel;
    const std::size_t extra = 6;
    for (std::uint32_t dispatch = 1; dispatch <= SendChannel::kReportCapacity + extra; ++dispatch)
        channel.Keep(SendFailureReport{dispatch, dispatch % 2 ? kTransition : kNextClip});
    channel.Keep(
        SendFailureReport{200, kFreeText, SendFailure::NotResolved, {}, Reported::LastGoodAddress});
    SendChannel::Reports reports;
    std::size_t dropped = 0;
    SendChannel::Latest latest;
    ASSERT_EQ(channel.TakeReports(reports, dropped, latest), SendChannel::kReportCapacity);
    EXPECT_EQ(dropped, extra + 1) << "counted, for the log's line";
    ASSERT_TRUE(latest[kTransition] && latest[kNextClip]);
    EXPECT_EQ(latest[kTransition]->dispatch, SendChannel::kReportCapacity + extra - 1);
    EXPECT_EQ(latest[kNextClip]->dispatch, SendChannel::kReportCapacity + extra)
        << "the latest outcome is there to mark its message, though its line did not fit";
    EXPECT_FALSE(latest[kFreeText]) << "a message that went marks nothing";
    channel.TakeReports(reports, dropped, latest);
    EXPECT_FALSE(latest[kTransition]) << "taken once";
}
} // namespace
