#include "tests/windows/catcher/Verdict.h"

#include "tests/windows/CatcherProtocol.h"
#include "tests/windows/catcher/ExpectedDatagrams.h"

#include <algorithm>
#include <cstdio>

namespace wine_catcher
{
namespace
{
using testhost::ReceivedOsc;

struct Announcement
{
    std::string check;
    std::size_t index; // in the received list
};

std::string Hex(const std::vector<std::uint8_t>& bytes)
{
    std::string text;
    for (const std::uint8_t byte : bytes)
    {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X ", byte);
        text += digits;
    }
    if (!text.empty())
        text.pop_back();
    return text;
}

std::vector<Announcement> FindAnnouncements(const std::vector<ReceivedOsc>& received)
{
    std::vector<Announcement> announcements;
    for (std::size_t i = 0; i < received.size(); ++i)
        if (received[i].decoded && received[i].address.starts_with(kAnnouncementPrefix))
            announcements.push_back({received[i].address.substr(kAnnouncementPrefix.size()), i});
    return announcements;
}

std::vector<std::size_t> IndicesOf(const std::vector<ReceivedOsc>& received,
                                   const std::vector<std::uint8_t>& bytes)
{
    std::vector<std::size_t> indices;
    for (std::size_t i = 0; i < received.size(); ++i)
        if (received[i].bytes == bytes)
            indices.push_back(i);
    return indices;
}

long long MillisecondsBetween(const ReceivedOsc& from, const ReceivedOsc& to)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(to.arrival - from.arrival).count();
}

// Each expected datagram of the check: once, after the one before it (the announcement for the
// first), and no earlier than allowed. Claims every datagram with expected bytes.
CheckResult JudgeAnnouncedCheck(const std::vector<ReceivedOsc>& received,
                                const Announcement& announcement, std::vector<bool>& claimed)
{
    CheckResult result{announcement.check, {}, {}};
    const ReceivedOsc& start = received[announcement.index];
    std::size_t previous = announcement.index;
    std::string_view previousWhat = "the announcement";
    for (const ExpectedDatagram& expected : ExpectedDatagrams())
    {
        if (expected.check != announcement.check)
            continue;
        const std::vector<std::size_t> indices = IndicesOf(received, expected.bytes);
        for (const std::size_t index : indices)
            claimed[index] = true;
        const std::string what(expected.what);
        if (indices.size() != 1)
        {
            const std::string count =
                indices.empty()
                    ? std::string(" never arrived")
                    : " arrived " + std::to_string(indices.size()) + " times instead of once";
            result.problems.push_back(what + count + " (bytes " + Hex(expected.bytes) + ")");
            continue;
        }
        const std::size_t index = indices.front();
        const long long afterStart = MillisecondsBetween(start, received[index]);
        result.details.push_back(what + ": " + std::to_string(afterStart) + " ms");
        if (index < previous)
            result.problems.push_back(what + " arrived before " + std::string(previousWhat));
        if (afterStart < expected.earliest.count())
            result.problems.push_back(what + " arrived " + std::to_string(afterStart) +
                                      " ms after the announcement, earlier than " +
                                      std::to_string(expected.earliest.count()) + " ms");
        previous = index;
        previousWhat = expected.what;
    }
    return result;
}

CheckResult JudgeExpectedCheck(const std::vector<ReceivedOsc>& received,
                               const std::vector<Announcement>& announcements,
                               std::string_view check, std::vector<bool>& claimed)
{
    const auto count = std::count_if(announcements.begin(), announcements.end(),
                                     [check](const Announcement& a) { return a.check == check; });
    if (count != 1)
        return {std::string(check),
                {"announced " + std::to_string(count) + " times by the host instead of once"},
                {}};
    const auto announcement =
        std::find_if(announcements.begin(), announcements.end(),
                     [check](const Announcement& a) { return a.check == check; });
    return JudgeAnnouncedCheck(received, *announcement, claimed);
}

CheckResult UnclaimedDatagrams(const std::vector<ReceivedOsc>& received,
                               const std::vector<bool>& claimed)
{
    CheckResult result{"nothing else arrived", {}, {}};
    for (std::size_t i = 0; i < received.size(); ++i)
        if (!claimed[i])
            result.problems.push_back("unexpected \"" + received[i].address + "\" (bytes " +
                                      Hex(received[i].bytes) + ")");
    return result;
}
} // namespace

std::vector<CheckResult> Judge(const std::vector<ReceivedOsc>& received,
                               const std::vector<std::string_view>& checks)
{
    const std::vector<Announcement> announcements = FindAnnouncements(received);
    std::vector<bool> claimed(received.size(), false);
    for (const Announcement& announcement : announcements)
        claimed[announcement.index] = true;

    std::vector<CheckResult> results;
    for (const std::string_view check : checks)
        results.push_back(JudgeExpectedCheck(received, announcements, check, claimed));
    for (const Announcement& announcement : announcements)
        if (std::find(checks.begin(), checks.end(), announcement.check) == checks.end())
            results.push_back(
                {announcement.check, {"announced, but not expected in this run"}, {}});
    results.push_back(UnclaimedDatagrams(received, claimed));
    return results;
}
} // namespace wine_catcher
