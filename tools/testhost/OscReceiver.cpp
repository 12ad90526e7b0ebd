#include "tools/testhost/OscReceiver.h"

#include <lo/lo.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <utility>

namespace testhost
{
namespace
{
struct LoMessageDeleter
{
    void operator()(lo_message message) const noexcept { lo_message_free(message); }
};
using LoMessage = std::unique_ptr<std::remove_pointer_t<lo_message>, LoMessageDeleter>;

// liblo's argument pointers point into its packed buffer, aligned to 4 only: read them by copy,
// never through the 8-byte-aligned lo_arg union.
template <typename T> T Read(const std::uint8_t* data)
{
    T value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

OscValue ToValue(char type, const lo_arg* argument)
{
    const auto* data = reinterpret_cast<const std::uint8_t*>(argument);
    switch (type)
    {
    case LO_INT32:
        return Read<std::int32_t>(data);
    case LO_CHAR:
        return static_cast<std::int32_t>(data[0]);
    case LO_INT64:
        return Read<std::int64_t>(data);
    case LO_FLOAT:
        return Read<float>(data);
    case LO_DOUBLE:
        return Read<double>(data);
    case LO_STRING:
    case LO_SYMBOL:
        return std::string(reinterpret_cast<const char*>(data));
    case LO_BLOB:
    {
        const auto size = static_cast<std::size_t>(Read<std::int32_t>(data));
        return std::vector<std::uint8_t>(data + 4, data + 4 + size);
    }
    default:
        return std::monostate{};
    }
}

// The kernel stamps each datagram on the system clock as it reaches the socket; the distance
// between the two clocks now moves that stamp onto the steady clock. Without a stamp, now.
std::chrono::steady_clock::time_point ArrivalOf(const msghdr& header)
{
    const auto steadyNow = std::chrono::steady_clock::now();
    for (const cmsghdr* control = CMSG_FIRSTHDR(&header); control;
         control = CMSG_NXTHDR(const_cast<msghdr*>(&header), const_cast<cmsghdr*>(control)))
    {
        if (control->cmsg_level != SOL_SOCKET || control->cmsg_type != SCM_TIMESTAMPNS)
            continue;
        timespec stamp{};
        std::memcpy(&stamp, CMSG_DATA(control), sizeof stamp);
        const auto reached = std::chrono::system_clock::time_point(
            std::chrono::duration_cast<std::chrono::system_clock::duration>(
                std::chrono::seconds(stamp.tv_sec) + std::chrono::nanoseconds(stamp.tv_nsec)));
        const auto age = std::chrono::system_clock::now() - reached;
        return steadyNow - std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                               std::max(age, std::chrono::system_clock::duration::zero()));
    }
    return steadyNow;
}

[[noreturn]] void Fail(const char* what)
{
    throw std::runtime_error(std::string("OscReceiver: ") + what + ": " + std::strerror(errno));
}
} // namespace

void DecodeWithLiblo(ReceivedOsc& message)
{
    message.decoded = false;
    message.decodeError = 0;
    message.address.clear();
    message.types.clear();
    message.values.clear();

    // liblo takes non-const data; give it a copy so the received bytes stay untouched.
    std::vector<std::uint8_t> copy = message.bytes;
    int result = 0;
    const LoMessage decoded(lo_message_deserialise(copy.data(), copy.size(), &result));
    if (!decoded)
    {
        message.decodeError = result;
        return;
    }
    const char* path = lo_get_path(copy.data(), static_cast<ssize_t>(copy.size()));
    const char* types = lo_message_get_types(decoded.get());
    lo_arg** argv = lo_message_get_argv(decoded.get());
    const int argc = lo_message_get_argc(decoded.get());
    message.address = path ? path : "";
    message.types = types ? types : "";
    for (int i = 0; i < argc && i < static_cast<int>(message.types.size()); ++i)
        message.values.push_back(ToValue(message.types[static_cast<std::size_t>(i)], argv[i]));
    message.decoded = true;
}

OscReceiver::OscReceiver(Loopback loopback, std::uint16_t requestedPort) : family(loopback)
{
    const bool v6 = loopback == Loopback::IPv6;
    fd = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        Fail("socket");
    sockaddr_storage storage{};
    socklen_t length = 0;
    if (v6)
    {
        sockaddr_in6 address{};
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_loopback;
        address.sin6_port = htons(requestedPort);
        std::memcpy(&storage, &address, sizeof address);
        length = sizeof address;
    }
    else
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(requestedPort);
        std::memcpy(&storage, &address, sizeof address);
        length = sizeof address;
    }
    const int stamped = 1;
    if (::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &stamped, sizeof stamped) != 0 ||
        ::bind(fd, reinterpret_cast<const sockaddr*>(&storage), length) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&storage), &length) != 0)
    {
        const int error = errno;
        ::close(fd);
        errno = error;
        Fail("bind");
    }
    port = v6 ? ntohs(reinterpret_cast<const sockaddr_in6*>(&storage)->sin6_port)
              : ntohs(reinterpret_cast<const sockaddr_in*>(&storage)->sin_port);
}

OscReceiver::~OscReceiver()
{
    if (fd >= 0)
        ::close(fd);
}

OscReceiver::OscReceiver(OscReceiver&& other) noexcept
    : fd(std::exchange(other.fd, -1)), family(other.family), port(other.port)
{
}

OscReceiver& OscReceiver::operator=(OscReceiver&& other) noexcept
{
    if (this != &other)
    {
        if (fd >= 0)
            ::close(fd);
        fd = std::exchange(other.fd, -1);
        family = other.family;
        port = other.port;
    }
    return *this;
}

const char* OscReceiver::Host() const
{
    return family == Loopback::IPv6 ? "::1" : "127.0.0.1";
}

std::optional<ReceivedOsc> OscReceiver::Receive(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd waiting{fd, POLLIN, 0};
        const int ready =
            ::poll(&waiting, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return std::nullopt;

        ReceivedOsc message;
        message.bytes.resize(65536);
        iovec data{message.bytes.data(), message.bytes.size()};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
        msghdr header{};
        header.msg_iov = &data;
        header.msg_iovlen = 1;
        header.msg_control = control;
        header.msg_controllen = sizeof control;
        // MSG_TRUNC: the datagram's real length even if it were longer than the buffer.
        const ssize_t length = ::recvmsg(fd, &header, MSG_TRUNC);
        message.arrival = ArrivalOf(header);
        if (length < 0)
        {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            Fail("recv");
        }
        message.bytes.resize(std::min(static_cast<std::size_t>(length), message.bytes.size()));
        DecodeWithLiblo(message);
        return message;
    }
}

std::size_t OscReceiver::Drain()
{
    std::size_t count = 0;
    std::uint8_t scratch[16];
    while (::recv(fd, scratch, sizeof scratch, MSG_DONTWAIT) >= 0)
        ++count;
    return count;
}
} // namespace testhost
