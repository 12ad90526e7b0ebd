// Runs a program as a user does from a shell, with its standard output and error captured.
#pragma once

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace vdrxtest
{

struct ProgramRun
{
    int exitStatus = -1; // -1 when it did not exit normally
    std::string output;  // standard output and standard error, interleaved
};

// The program inherits this process's environment (sanitizer options included).
inline ProgramRun RunProgram(const std::string& path, const std::vector<std::string>& arguments)
{
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    pid_t pid = -1;
    const int spawned =
        posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);

    ProgramRun run;
    char buffer[4096];
    ssize_t length = 0;
    while (spawned == 0 && (length = read(fds[0], buffer, sizeof buffer)) > 0)
        run.output.append(buffer, static_cast<std::size_t>(length));
    close(fds[0]);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + path);
    int status = 0;
    waitpid(pid, &status, 0);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace vdrxtest
