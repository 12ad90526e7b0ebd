#include "tools/testhost/XvfbServer.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace testhost
{

XvfbServer::XvfbServer()
{
    int fds[2];
    if (pipe(fds) != 0)
        return;
    pid = fork();
    if (pid == 0)
    {
        close(fds[0]);
        // Keep the caller's output pipes free: a reader waiting for their end must not wait
        // for the X server.
        if (FILE* null = std::fopen("/dev/null", "w"))
        {
            dup2(fileno(null), STDOUT_FILENO);
            dup2(fileno(null), STDERR_FILENO);
        }
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten",
               "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0)
    {
        close(fds[0]);
        return;
    }
    // Xvfb writes the display number it chose once it accepts connections.
    std::string number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (!number.empty())
        displayName = ":" + number;
}

XvfbServer::~XvfbServer()
{
    if (pid > 0)
    {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
}

} // namespace testhost
