// What the Windows test host and the receiver on the Linux side agree on. Before each check that
// makes the plug-in send, the host announces the check with one OSC message of its own, the
// address kAnnouncementPrefix followed by the check's name and no arguments; the receiver
// takes its arrival as the check's start and judges the datagrams that check must cause.
#pragma once

#include <array>
#include <string_view>

namespace wine_catcher
{
inline constexpr std::string_view kAnnouncementPrefix = "/wine-host/";

inline constexpr std::string_view kUnloadAfterSend = "unload-after-send";
inline constexpr std::string_view kTestButton = "test-button";
inline constexpr std::string_view kTimedSequence = "timed-sequence";

// Every check the receiver judges, in the order the host runs them.
inline constexpr std::array kSendingChecks{kUnloadAfterSend, kTestButton, kTimedSequence};
} // namespace wine_catcher
