#include "tools/standin/ListenAddress.h"

#include <stdexcept>
#include <string>

namespace standin
{

testhost::OscReceiver OpenReceiver(const ListenAddress& address)
{
    try
    {
        return testhost::OscReceiver(address.loopback, address.port);
    }
    catch (const std::runtime_error& error)
    {
        const char* host = address.loopback == testhost::Loopback::IPv6 ? "::1" : "127.0.0.1";
        throw std::runtime_error("cannot listen for OSC on UDP port " +
                                 std::to_string(address.port) + " at " + host + " (" +
                                 error.what() + ")");
    }
}

} // namespace standin
