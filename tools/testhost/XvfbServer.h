// A private X server (Xvfb) for GLX contexts on a machine without a display.
#pragma once

#include <string>
#include <sys/types.h>

namespace testhost
{

class XvfbServer
{
public:
    // Starts Xvfb on a free display number; Running() tells whether it came up.
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool Running() const { return !displayName.empty(); }
    // For example ":99"; empty when the server did not start.
    const std::string& DisplayName() const { return displayName; }

private:
    pid_t pid = -1;
    std::string displayName;
};

} // namespace testhost
