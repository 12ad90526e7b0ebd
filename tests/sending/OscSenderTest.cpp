// The UDP sender against real loopback sockets, and its failure paths through the
// socket-call seam.
#include "sending/OscSender.h"

#include "sending/NameCache.h"
#include "tests/sending/SocketCallsFake.h"
#include "tools/testhost/OscReceiver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace
{
using namespace std::chrono_literals;
using osc::SendOscMessage;
using osc::SendResult;
using testhost::Loopback;
using testhost::OscReceiver;
using testhost::OscValue;

constexpr auto kArrival = 2000ms; // a datagram to loopback is there long before this
constexpr auto kSilence = 200ms;  // how long "nothing was sent" is waited for

SendResult SendNextClip(const std::string& host, std::int32_t port,
                        const std::string& address = "/composition/selectedlayer/connectnextclip")
{
    const std::int32_t ints[] = {1};
    return SendOscMessage(host, port, address, {}, ints, {});
}

void ExpectResult(const SendResult& result, bool ok, const char* status)
{
    EXPECT_EQ(result.ok, ok);
    EXPECT_EQ(result.status, status);
}

class OscSenderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        counts.Reset();
        osc::SharedNameCache().Forget(); // each test's lookups are its own
    }
    OscReceiver receiver{Loopback::IPv4};
};

// --- Delivery ----------------------------------------------------------------------------------

TEST_F(OscSenderTest, SendsOneDatagramThatLibloDecodes)
{
    const ScopedSocketCalls calls(CountingCalls());
    const float floats[] = {0.5f};
    const std::string strings[] = {"a"};
    const SendResult result =
        SendOscMessage("127.0.0.1", receiver.Port(),
                       "/composition/selectedlayer/transition/duration", strings, {}, floats);
    ExpectResult(result, true, "sent");

    const auto message = receiver.Receive(kArrival);
    ASSERT_TRUE(message);
    ASSERT_TRUE(message->decoded) << "liblo error " << message->decodeError;
    EXPECT_EQ(message->address, "/composition/selectedlayer/transition/duration");
    EXPECT_EQ(message->types, "sf");
    EXPECT_EQ(message->values, (std::vector<OscValue>{std::string("a"), 0.5f}));
    EXPECT_EQ(message->bytes.size(), 60u);
    EXPECT_FALSE(receiver.Receive(kSilence)) << "one call, one datagram";
    EXPECT_EQ(counts.startUps.load(), 1);
    EXPECT_EQ(counts.opens.load(), 1);
    EXPECT_EQ(counts.closes.load(), 1);
}

TEST_F(OscSenderTest, SendsArgumentsStringsFirstThenIntsThenFloats)
{
    const std::int32_t ints[] = {7, -8};
    const float floats[] = {1.5f};
    const std::string strings[] = {"s1", ""};
    ExpectResult(SendOscMessage("127.0.0.1", receiver.Port(), "/mix", strings, ints, floats), true,
                 "sent");
    const auto message = receiver.Receive(kArrival);
    ASSERT_TRUE(message && message->decoded);
    EXPECT_EQ(message->types, "ssiif");
    EXPECT_EQ(message->values,
              (std::vector<OscValue>{std::string("s1"), std::string(), 7, -8, 1.5f}));
}

TEST_F(OscSenderTest, SendsToIPv6Loopback)
{
    std::optional<OscReceiver> v6;
    try
    {
        v6.emplace(Loopback::IPv6);
    }
    catch (const std::exception& error)
    {
        GTEST_SKIP() << "no IPv6 loopback here: " << error.what();
    }
    ExpectResult(SendNextClip("::1", v6->Port()), true, "sent");
    const auto message = v6->Receive(kArrival);
    ASSERT_TRUE(message && message->decoded);
    EXPECT_EQ(message->address, "/composition/selectedlayer/connectnextclip");
    EXPECT_EQ(message->types, "i");
    EXPECT_EQ(message->values, (std::vector<OscValue>{1}));
}

TEST_F(OscSenderTest, AcceptsPortsOneAnd65535)
{
    // Nobody listens there; UDP does not know, so the datagram goes out whole.
    ExpectResult(SendNextClip("127.0.0.1", 1), true, "sent");
    ExpectResult(SendNextClip("127.0.0.1", 65535), true, "sent");
}

TEST_F(OscSenderTest, ResolvesWithThePortAsPlainDecimalText)
{
    static std::string seenHost, seenService;
    static const platform::SocketCalls table{
        .startUp = platform::SystemSocketCalls().startUp,
        .resolve =
            [](const char* host, const char* service, std::vector<platform::ResolvedAddress>& out)
        {
            seenHost = host;
            seenService = service;
            return platform::SystemSocketCalls().resolve(host, service, out);
        },
        .open = platform::SystemSocketCalls().open,
        .sendTo = platform::SystemSocketCalls().sendTo,
        .close = platform::SystemSocketCalls().close,
    };
    const ScopedSocketCalls calls(table);
    ExpectResult(SendNextClip("127.0.0.1", 7), true, "sent");
    EXPECT_EQ(seenHost, "127.0.0.1");
    EXPECT_EQ(seenService, "7");
    ExpectResult(SendNextClip("127.0.0.1", receiver.Port()), true, "sent");
    EXPECT_EQ(seenService, std::to_string(receiver.Port()));
    EXPECT_TRUE(receiver.Receive(kArrival));
}

// --- Failure words, in the order of the checks -------------------------------------------------

TEST_F(OscSenderTest, EmptyHostFailsFirst)
{
    const ScopedSocketCalls calls(CountingCalls());
    ExpectResult(SendNextClip("", receiver.Port()), false, "empty host");
    ExpectResult(SendNextClip("", 0), false, "empty host");
    ExpectResult(SendNextClip("", -1, ""), false, "empty host");
    EXPECT_EQ(counts.startUps.load(), 0);
    EXPECT_FALSE(receiver.Receive(kSilence));
}

TEST_F(OscSenderTest, PortOutsideOneTo65535FailsBeforeTheAddress)
{
    const ScopedSocketCalls calls(CountingCalls());
    for (const std::int32_t port : {0, 65536, -1, INT_MIN, INT_MAX, 100000})
    {
        ExpectResult(SendNextClip("127.0.0.1", port), false, "bad port");
        ExpectResult(SendNextClip("127.0.0.1", port, "no-slash"), false, "bad port");
    }
    EXPECT_EQ(counts.startUps.load(), 0);
}

TEST_F(OscSenderTest, AddressMustBeginWithSlash)
{
    const ScopedSocketCalls calls(CountingCalls());
    ExpectResult(SendNextClip("127.0.0.1", receiver.Port(), ""), false, "bad address");
    ExpectResult(SendNextClip("127.0.0.1", receiver.Port(), "x/y"), false, "bad address");
    ExpectResult(SendNextClip("127.0.0.1", receiver.Port(), " /x"), false, "bad address");
    EXPECT_EQ(counts.startUps.load(), 0);
    EXPECT_FALSE(receiver.Receive(kSilence));
}

TEST_F(OscSenderTest, FailedStartUpStopsBeforeTheLookup)
{
    static const platform::SocketCalls table{
        .startUp = [] { return false; },
        .resolve =
            [](const char*, const char*, std::vector<platform::ResolvedAddress>&)
        {
            ++counts.resolves;
            return platform::LookupStatus::Resolved;
        },
        .open = platform::SystemSocketCalls().open,
        .sendTo = platform::SystemSocketCalls().sendTo,
        .close = platform::SystemSocketCalls().close,
    };
    const ScopedSocketCalls calls(table);
    ExpectResult(SendNextClip("127.0.0.1", receiver.Port()), false, "WSAStartup failed");
    EXPECT_EQ(counts.resolves.load(), 0);
}

TEST_F(OscSenderTest, UnresolvableNameFailsWithoutCreatingASocket)
{
    static const platform::SocketCalls table{
        .startUp = platform::SystemSocketCalls().startUp,
        .resolve = [](const char*, const char*, std::vector<platform::ResolvedAddress>&)
        { return platform::LookupStatus::NotFound; },
        .open = CountingCalls().open,
        .sendTo = CountingCalls().sendTo,
        .close = CountingCalls().close,
    };
    const ScopedSocketCalls calls(table);
    ExpectResult(SendNextClip("no-such-host.invalid", 7000), false, "getaddrinfo failed");
    EXPECT_EQ(counts.opens.load(), 0);
    EXPECT_EQ(counts.sends.load(), 0);
}

TEST_F(OscSenderTest, LookupWithNoAddressFailsLikeAnUnresolvableName)
{
    static const platform::SocketCalls table{
        .startUp = platform::SystemSocketCalls().startUp,
        .resolve = [](const char*, const char*, std::vector<platform::ResolvedAddress>&)
        { return platform::LookupStatus::Resolved; },
        .open = CountingCalls().open,
        .sendTo = CountingCalls().sendTo,
        .close = CountingCalls().close,
    };
    const ScopedSocketCalls calls(table);
    ExpectResult(SendNextClip("empty.invalid", 7000), false, "getaddrinfo failed");
    EXPECT_EQ(counts.opens.load(), 0);
}

TEST_F(OscSenderTest, PayloadLargerThanADatagramFailsToSend)
{
    const ScopedSocketCalls calls(CountingCalls());
    const std::string big[] = {std::string(70000, 'x')};
    ExpectResult(SendOscMessage("127.0.0.1", receiver.Port(), "/big", big, {}, {}), false,
                 "sendto failed");
    EXPECT_GE(counts.sends.load(), 1);
    EXPECT_EQ(counts.opens.load(), counts.closes.load()) << "every socket closed";
    EXPECT_FALSE(receiver.Receive(kSilence));
}

// --- The walk over several resolved addresses ---------------------------------------------------

// Two entries, each the loopback at its own port; the test decides what happens to the first.
struct TwoAddresses
{
    static inline std::uint16_t firstPort = 0;
    static inline std::uint16_t secondPort = 0;
    static inline bool failFirstOpen = false;
    static inline bool shortFirstSend = false;
    static inline bool shortEverySend = false;

    static platform::LookupStatus Resolve(const char*, const char*,
                                          std::vector<platform::ResolvedAddress>& out)
    {
        ++counts.resolves;
        const auto& system = platform::SystemSocketCalls();
        system.resolve("127.0.0.1", std::to_string(firstPort).c_str(), out);
        return system.resolve("127.0.0.1", std::to_string(secondPort).c_str(), out);
    }
    static platform::SocketHandle Open(int family, int type, int protocol)
    {
        if (failFirstOpen && counts.opens == 0 && counts.sends == 0)
        {
            failFirstOpen = false;
            return platform::kInvalidSocket;
        }
        return CountingCalls().open(family, type, protocol);
    }
    static std::int64_t SendTo(platform::SocketHandle socket, const std::uint8_t* data,
                               std::size_t length, const platform::ResolvedAddress& to)
    {
        const bool isFirst = counts.sends == 0;
        if (shortEverySend || (shortFirstSend && isFirst))
        {
            ++counts.sends;
            return static_cast<std::int64_t>(length) - 1; // took all but one byte: not whole
        }
        return CountingCalls().sendTo(socket, data, length, to);
    }

    static const platform::SocketCalls& Table()
    {
        static const platform::SocketCalls table{
            .startUp = platform::SystemSocketCalls().startUp,
            .resolve = &Resolve,
            .open = &Open,
            .sendTo = &SendTo,
            .close = CountingCalls().close,
        };
        return table;
    }
};

class OscSenderWalkTest : public OscSenderTest
{
protected:
    void SetUp() override
    {
        OscSenderTest::SetUp();
        TwoAddresses::firstPort = receiver.Port();
        TwoAddresses::secondPort = second.Port();
        TwoAddresses::failFirstOpen = false;
        TwoAddresses::shortFirstSend = false;
        TwoAddresses::shortEverySend = false;
    }
    OscReceiver second{Loopback::IPv4};
};

TEST_F(OscSenderWalkTest, SendsToTheFirstAddressOnly)
{
    const ScopedSocketCalls calls(TwoAddresses::Table());
    ExpectResult(SendNextClip("two.test", 7000), true, "sent");
    EXPECT_TRUE(receiver.Receive(kArrival));
    EXPECT_FALSE(second.Receive(kSilence));
    EXPECT_EQ(counts.opens.load(), 1);
    EXPECT_EQ(counts.closes.load(), 1);
}

TEST_F(OscSenderWalkTest, GoesOnWhenTheFirstAddressTakesOnlyPartOfTheDatagram)
{
    TwoAddresses::shortFirstSend = true;
    const ScopedSocketCalls calls(TwoAddresses::Table());
    ExpectResult(SendNextClip("two.test", 7000), true, "sent");
    const auto message = second.Receive(kArrival);
    ASSERT_TRUE(message && message->decoded);
    EXPECT_EQ(message->address, "/composition/selectedlayer/connectnextclip");
    EXPECT_FALSE(receiver.Receive(kSilence));
    EXPECT_EQ(counts.sends.load(), 2);
    EXPECT_EQ(counts.opens.load(), 2) << "one fresh socket per attempt";
    EXPECT_EQ(counts.closes.load(), 2);
}

TEST_F(OscSenderWalkTest, PassesOverAnAddressWhoseSocketCannotBeCreated)
{
    TwoAddresses::failFirstOpen = true;
    const ScopedSocketCalls calls(TwoAddresses::Table());
    ExpectResult(SendNextClip("two.test", 7000), true, "sent");
    EXPECT_TRUE(second.Receive(kArrival));
    EXPECT_FALSE(receiver.Receive(kSilence));
    EXPECT_EQ(counts.sends.load(), 1);
    EXPECT_EQ(counts.opens.load(), counts.closes.load());
}

TEST_F(OscSenderWalkTest, FailsWhenNoAddressTakesTheWholeDatagram)
{
    TwoAddresses::shortEverySend = true;
    const ScopedSocketCalls calls(TwoAddresses::Table());
    ExpectResult(SendNextClip("two.test", 7000), false, "sendto failed");
    EXPECT_EQ(counts.sends.load(), 2);
    EXPECT_EQ(counts.opens.load(), 2);
    EXPECT_EQ(counts.closes.load(), 2);
}

// --- Re-entrancy --------------------------------------------------------------------------------

struct HangingLookup
{
    static inline std::mutex mutex;
    static inline std::condition_variable changed;
    static inline bool entered = false;
    static inline bool released = false;

    static platform::LookupStatus Resolve(const char* host, const char* service,
                                          std::vector<platform::ResolvedAddress>& out)
    {
        if (std::string(host) != "hang.test")
            return platform::SystemSocketCalls().resolve(host, service, out);
        std::unique_lock lock(mutex);
        entered = true;
        changed.notify_all();
        changed.wait_for(lock, 10s, [] { return released; });
        return platform::LookupStatus::NotFound;
    }
    static const platform::SocketCalls& Table()
    {
        static const platform::SocketCalls table{
            .startUp = platform::SystemSocketCalls().startUp,
            .resolve = &Resolve,
            .open = platform::SystemSocketCalls().open,
            .sendTo = platform::SystemSocketCalls().sendTo,
            .close = platform::SystemSocketCalls().close,
        };
        return table;
    }
};

TEST_F(OscSenderTest, AHangingLookupDoesNotHoldUpAnotherSend)
{
    const ScopedSocketCalls calls(HangingLookup::Table());
    SendResult hung;
    std::thread sender([&] { hung = SendNextClip("hang.test", 7000); });
    {
        std::unique_lock lock(HangingLookup::mutex);
        ASSERT_TRUE(
            HangingLookup::changed.wait_for(lock, 5s, [] { return HangingLookup::entered; }));
    }
    // The other thread is stuck in its lookup; this send still goes through at once.
    ExpectResult(SendNextClip("127.0.0.1", receiver.Port()), true, "sent");
    EXPECT_TRUE(receiver.Receive(kArrival));
    {
        const std::lock_guard lock(HangingLookup::mutex);
        HangingLookup::released = true;
    }
    HangingLookup::changed.notify_all();
    sender.join();
    ExpectResult(hung, false, "getaddrinfo failed");
}
} // namespace
