// Runs a program as a user does from a shell, with its standard output and error captured.
#pragma once

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
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

// This process's environment, with each option list named in `extra` extended by the options
// given ("ASAN_OPTIONS" and "detect_leaks=0" make ASAN_OPTIONS=<what it was>:detect_leaks=0).
inline std::vector<std::string> EnvironmentWith(const std::map<std::string, std::string>& extra)
{
    std::map<std::string, std::string> added = extra;
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry)
    {
        std::string variable = *entry;
        const auto option = added.find(variable.substr(0, variable.find('=')));
        if (option != added.end())
        {
            variable += ":" + option->second;
            added.erase(option);
        }
        environment.push_back(std::move(variable));
    }
    for (const auto& [name, options] : added)
        environment.push_back(name + "=" + options);
    return environment;
}

inline ProgramRun RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                             const std::vector<std::string>& environment)
{
    std::vector<char*> envp;
    for (const std::string& entry : environment)
        envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);

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
        posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), envp.data());
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
