// The Linux side of the Wine test: receives on 127.0.0.1 what the plug-in, driven by the
// Windows test host under Wine, sends, decodes it with liblo and judges it (Verdict.h).
// Usage: wine-osc-catcher PORT_FILE [check ...]
// Writes the port it listens on to PORT_FILE, receives until its standard input ends, then
// prints one line per check and exits 0 when every one passed. Without checks it expects all
// that make the plug-in send; names of other checks are ignored, as the host runs them alone.
#include "tests/windows/CatcherProtocol.h"
#include "tests/windows/catcher/Verdict.h"
#include "tools/testhost/OscReceiver.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace wine_catcher
{
namespace
{
using namespace std::chrono_literals;

// Written aside and renamed, so that a reader never sees half a number.
void WritePortFile(const std::string& path, std::uint16_t port)
{
    const std::string partial = path + ".partial";
    std::ofstream(partial) << port << '\n';
    std::filesystem::rename(partial, path);
}

bool InputEnded()
{
    pollfd input{STDIN_FILENO, POLLIN, 0};
    if (::poll(&input, 1, 0) <= 0)
        return false;
    char scratch[64];
    return ::read(STDIN_FILENO, scratch, sizeof scratch) <= 0;
}

// Everything that arrives until the input ends and nothing more is waiting.
std::vector<testhost::ReceivedOsc> ReceiveUntilInputEnds(testhost::OscReceiver& receiver)
{
    std::vector<testhost::ReceivedOsc> received;
    for (;;)
    {
        if (auto message = receiver.Receive(50ms))
            received.push_back(std::move(*message));
        else if (InputEnded())
            return received;
    }
}

std::vector<std::string_view> ExpectedChecks(int argc, char** argv)
{
    std::vector<std::string_view> named(argv + 2, argv + argc);
    std::vector<std::string_view> checks;
    for (const std::string_view check : kSendingChecks)
        if (named.empty() || std::find(named.begin(), named.end(), check) != named.end())
            checks.push_back(check);
    return checks;
}

std::string Joined(const std::vector<std::string>& parts)
{
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : "; ") + part;
    return text;
}

int Report(const std::vector<CheckResult>& results)
{
    int failed = 0;
    for (const CheckResult& result : results)
    {
        const bool passed = result.problems.empty();
        failed += passed ? 0 : 1;
        std::printf("%s  %s%s%s\n", passed ? "ok    " : "FAILED", result.name.c_str(),
                    passed && result.details.empty() ? "" : ": ",
                    Joined(passed ? result.details : result.problems).c_str());
    }
    std::printf("receiver: %d passed, %d failed\n", static_cast<int>(results.size()) - failed,
                failed);
    return failed == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
} // namespace
} // namespace wine_catcher

int main(int argc, char** argv)
{
    using namespace wine_catcher;
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: wine-osc-catcher PORT_FILE [check ...]\n");
        return 2;
    }
    try
    {
        testhost::OscReceiver receiver;
        WritePortFile(argv[1], receiver.Port());
        const auto received = ReceiveUntilInputEnds(receiver);
        return Report(Judge(received, ExpectedChecks(argc, argv)));
    }
    catch (const std::exception& error)
    {
        std::fprintf(stderr, "wine-osc-catcher: %s\n", error.what());
        return EXIT_FAILURE;
    }
}
