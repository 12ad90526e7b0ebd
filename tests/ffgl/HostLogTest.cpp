#include "ffgl/HostLog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
std::vector<std::string> received;

void Collect(const char* text)
{
    received.emplace_back(text);
}

TEST(HostLog, LinesReachTheCallbackExactlyUntilItIsCleared)
{
    received.clear();
    ffgl::SendHostLog("dropped: no callback yet");
    ffgl::SetHostLogCallback(&Collect);
    ffgl::SendHostLog("Created VendrolixPro");
    ffgl::SendHostLog(nullptr);
    ffgl::SetHostLogCallback(nullptr);
    ffgl::SendHostLog("dropped again");
    EXPECT_EQ(received, std::vector<std::string>{"Created VendrolixPro"});
}

TEST(HostLog, DebugLineGoesOnceToTheDebuggerChannelAndOnceToStandardOutput)
{
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    ffgl::WriteDebugLine("Vertex Shader error: ", "");
    ffgl::WriteDebugLine("Fragment Shader error: ", "0:3(1): bad\n");
    const std::string out = ::testing::internal::GetCapturedStdout();
    const std::string debugger = ::testing::internal::GetCapturedStderr();
    const std::string expected = "Vertex Shader error: \nFragment Shader error: 0:3(1): bad\n\n";
    EXPECT_EQ(out, expected);
    EXPECT_EQ(debugger, expected);
}

} // namespace
