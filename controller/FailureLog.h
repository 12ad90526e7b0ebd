// The host-log lines of failed sends: each goes out at once, but the same line again within a
// second is only counted, and the count goes out with the line once that second has passed,
// as "... (12 times)". So a storm of failures writes about one line a second. Render thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class FailureLog
{
public:
    void Add(const std::string& line);
    // Writes the counts held back for a second or more. Reads neither the clock nor a lock when
    // none is held back.
    void Flush();

private:
    struct Recent
    {
        std::string line;
        std::int64_t loggedMs = 0;
        int heldBack = 0;
    };
    static constexpr std::int64_t kQuietMs = 1000;

    // The lines to write now, chosen under the lock and written after it.
    std::vector<std::string> TakeDue(std::int64_t nowMs);
    void Prune(std::int64_t nowMs);

    std::mutex mutex;
    std::vector<Recent> recent;
    std::atomic<bool> holding{false};
};
