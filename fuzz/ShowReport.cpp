#include "fuzz/ShowReport.h"

#include <algorithm>
#include <cstdio>

namespace showfuzz
{
namespace
{
constexpr std::int64_t kEventsBeforeUs = 5'000'000;
constexpr std::size_t kPassesAround = 3;
constexpr std::size_t kCallsBefore = 14;

std::string Decimals(double value, int digits)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", digits, value);
    return text;
}

const TrackerAnswer* AnswerAt(const JudgedShow& judged, std::size_t call)
{
    for (const TrackerAnswer& answer : judged.answers)
        if (answer.call == call)
            return &answer;
    return nullptr;
}
} // namespace

std::string Seconds(const Show& show, std::int64_t us)
{
    return Decimals(static_cast<double>(us - show.originUs) / 1e6, 6);
}

std::string Millis(std::int64_t us)
{
    return Decimals(static_cast<double>(us) / 1e3, 3);
}

std::string DescribeCall(const Show& show, std::size_t call)
{
    const ShowCall& made = show.calls[call];
    // Appended piece by piece: GCC 12 at -O2 misreads a chain of + on a literal as overlapping.
    std::string text = "#";
    text += std::to_string(call);
    text += ' ';
    text += Seconds(show, made.atUs);
    text += ' ';
    switch (made.kind)
    {
    case ShowCall::Kind::Time:
        return text + "SetTime " + Decimals(made.time, 6) + " (read at " +
               Seconds(show, made.sampledUs) + ")";
    case ShowCall::Kind::Frame:
        return text + "ProcessOpenGL";
    case ShowCall::Kind::Test:
        return text + "Test";
    case ShowCall::Kind::Join:
        break;
    }
    return text + "a new instance (" + std::to_string(made.life) + ")";
}

std::string DescribeAnswer(const Show& show, const TrackerAnswer& answer)
{
    std::string text = answer.newPass ? " -> a new pass from " : " -> dated anew from ";
    text += Seconds(show, answer.anchorUs);
    if (answer.pass != kNever)
        text += " (pass #" + std::to_string(answer.pass) + " " +
                (answer.anchorUs >= show.passes[answer.pass].beginUs ? "+" : "-") +
                Millis(std::abs(answer.anchorUs - show.passes[answer.pass].beginUs)) + " ms)";
    return text;
}

std::string DescribePass(const Show& show, std::size_t pass)
{
    const TruePass& truth = show.passes[pass];
    std::string text = "pass #" + std::to_string(pass) + " (" + KindName(truth.kind) + ", began " +
                       Seconds(show, truth.beginUs) +
                       (truth.atSample ? " at a reading" : " between readings");
    if (!truth.known)
        text += ", not where passes begin";
    if (truth.inGap)
        text += ", in a gap";
    if (!truth.checked)
        text += ", either way";
    text += "; first call #" + std::to_string(truth.firstCall) + ", start due by #" +
            (truth.tellBy == kNever ? std::string("-") : std::to_string(truth.tellBy)) +
            ", anchor at most +" + Millis(truth.latestUs - truth.beginUs) + " ms from #" +
            (truth.datedFrom == kNever ? std::string("-") : std::to_string(truth.datedFrom)) + ")";
    return text;
}

std::string Report(const char* title, const Show& show, const JudgedShow& judged,
                   const ShowFailure& failure)
{
    std::string text = std::string(title) + ": after call " + DescribeCall(show, failure.call) + ":\n  ";
    if (failure.pass != kNever)
        text += DescribePass(show, failure.pass) + "\n  ";
    text += failure.what + "\n";
    text += "host: " + show.setup + "; calls at most " + Millis(show.jitterUs) +
            " ms after their reading; delays " + std::to_string(show.delaysMs[0]) + ", " +
            std::to_string(show.delaysMs[1]) + ", " + std::to_string(show.delaysMs[2]) + " ms\n";
    const std::int64_t failedUs = show.calls[failure.call].atUs;
    text += "what happened (from " + Seconds(show, failedUs - kEventsBeforeUs) + "):\n";
    for (const ShowEvent& event : show.events)
        if (event.atUs >= failedUs - kEventsBeforeUs && event.atUs <= failedUs)
            text += "  " + Seconds(show, event.atUs) + " " + event.what + "\n";
    text += "passes (truth; start, anchor):\n";
    const std::size_t around = failure.pass != kNever ? failure.pass : judged.answers.empty() ? 0 : judged.answers.back().pass;
    const std::size_t from = around == kNever || around < kPassesAround ? 0 : around - kPassesAround;
    for (std::size_t p = from; p < show.passes.size() && p <= from + 2 * kPassesAround; ++p)
    {
        text += "  " + DescribePass(show, p);
        if (judged.startCall[p] != kNever)
            text += "\n      started at #" + std::to_string(judged.startCall[p]) + ", anchor " +
                    Seconds(show, judged.anchorUs[p]);
        text += "\n";
    }
    text += "calls:\n";
    for (std::size_t i = failure.call > kCallsBefore ? failure.call - kCallsBefore : 0;
         i <= failure.call; ++i)
    {
        text += "  " + DescribeCall(show, i);
        if (const TrackerAnswer* answer = AnswerAt(judged, i))
            text += DescribeAnswer(show, *answer);
        text += "\n";
    }
    return text;
}
} // namespace showfuzz
