#include "controller/FailureLog.h"

#include "ffgl/HostLog.h"
#include "platform/SteadyClock.h"

#include <algorithm>

namespace
{
std::string Counted(const std::string& line, int times)
{
    return times > 1 ? line + " (" + std::to_string(times) + " times)" : line;
}
} // namespace

void FailureLog::Add(const std::string& line)
{
    const std::int64_t nowMs = platform::SteadyClockMs();
    std::string text;
    {
        const std::lock_guard lock(mutex);
        Prune(nowMs);
        const auto found = std::find_if(recent.begin(), recent.end(),
                                        [&](const Recent& r) { return r.line == line; });
        if (found != recent.end() && nowMs - found->loggedMs < kQuietMs)
        {
            ++found->heldBack;
            holding.store(true);
            return;
        }
        if (found != recent.end())
        {
            text = Counted(line, found->heldBack + 1);
            found->loggedMs = nowMs;
            found->heldBack = 0;
        }
        else
        {
            text = line;
            recent.push_back(Recent{line, nowMs, 0});
        }
    }
    ffgl::SendHostLog(text.c_str());
}

std::vector<std::string> FailureLog::TakeDue(std::int64_t nowMs)
{
    const std::lock_guard lock(mutex);
    std::vector<std::string> due;
    bool stillHolding = false;
    for (Recent& r : recent)
    {
        if (r.heldBack > 0 && nowMs - r.loggedMs >= kQuietMs)
        {
            due.push_back(Counted(r.line, r.heldBack));
            r.loggedMs = nowMs;
            r.heldBack = 0;
        }
        stillHolding = stillHolding || r.heldBack > 0;
    }
    Prune(nowMs);
    holding.store(stillHolding);
    return due;
}

void FailureLog::Prune(std::int64_t nowMs)
{
    // A line quiet for a second is forgotten: the next one goes out at once.
    std::erase_if(recent, [nowMs](const Recent& r)
                  { return r.heldBack == 0 && nowMs - r.loggedMs >= kQuietMs; });
}

void FailureLog::Flush()
{
    if (!holding.load())
        return;
    for (const std::string& line : TakeDue(platform::SteadyClockMs()))
        ffgl::SendHostLog(line.c_str());
}
