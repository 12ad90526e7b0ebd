// Runs a program as a user does from a shell, with its standard output and error captured.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace vdrxtest
{

struct ProgramRun
{
    int exitStatus = -1; // -1 when it did not exit normally
    std::string output;  // standard output, with standard error unless taken apart
    std::string errors;  // standard error, when taken apart
};

struct RunSettings
{
    std::string workingDirectory = {}; // empty: this process's
    // Once the output holds this text, the program gets SIGINT, as from Ctrl-C (once).
    std::string interruptAfter = {};
    bool separateErrors = false;
};

namespace detail
{
inline std::string ReadWhole(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}
} // namespace detail

// The program inherits this process's environment (sanitizer options included).
inline ProgramRun RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                             const RunSettings& settings = {})
{
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    const std::string errorsPath =
        (std::filesystem::temp_directory_path() / ("vdrx-stderr-" + std::to_string(getpid())))
            .string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    if (settings.separateErrors)
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorsPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
    else
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    if (!settings.workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, settings.workingDirectory.c_str());
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);

    ProgramRun run;
    bool interrupted = settings.interruptAfter.empty();
    char buffer[4096];
    ssize_t length = 0;
    while (spawned == 0 && (length = read(fds[0], buffer, sizeof buffer)) > 0)
    {
        run.output.append(buffer, static_cast<std::size_t>(length));
        if (!interrupted && run.output.find(settings.interruptAfter) != std::string::npos)
            interrupted = kill(pid, SIGINT) == 0;
    }
    close(fds[0]);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + path);
    int status = 0;
    waitpid(pid, &status, 0);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (settings.separateErrors)
    {
        run.errors = detail::ReadWhole(errorsPath);
        std::filesystem::remove(errorsPath);
    }
    return run;
}

} // namespace vdrxtest
