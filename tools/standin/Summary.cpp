#include "tools/standin/Summary.h"

#include "tools/standin/FrameTimeStats.h"
#include "tools/standin/TextFormat.h"

namespace standin
{
namespace
{

// In the order of Handover.
constexpr const char* kHandovers[] = {
    "",
    ", with the first frame after the stall or hide",
    ", with the first frame that could show the clip's start",
};

std::string ClipTime(const RunRecord& record, Clock::time_point when)
{
    const std::size_t clip = record.ClipAt(when);
    return clip == 0 ? std::string("before clip 1")
                     : FormatText("clip %zu %+.3fs", clip, record.SinceClipStart(when));
}

std::string Timing(const RunRecord& record, const std::vector<Expectation>& expectations,
                   const MessageCheck& check, const MessageVerdict& verdict)
{
    const Arrival& arrival = record.arrivals[verdict.arrival];
    if (!verdict.expectation)
        return "not asked for: no enabled message has this address";
    const Expectation& expectation = expectations[*verdict.expectation];
    if (!verdict.cue)
        return FormatText("too early: before its delay (%s %s) after any start",
                          expectation.delayParameter.c_str(), DelayText(expectation).c_str());
    const Cue& cue = check.cues[*verdict.cue];
    const double late = Seconds(arrival.message.arrival - verdict.due) * 1000.0;
    std::string text = FormatText("%.3f s after %s", Seconds(arrival.message.arrival - cue.at),
                                  DescribeCue(cue).c_str());
    if (cue.kind != Cue::Kind::Test)
        text += ", delay " + DelayText(expectation);
    text += kHandovers[static_cast<std::size_t>(verdict.handover)];
    text += FormatText(" (%+.1f ms)", late);
    if (verdict.late)
        text += ": too late";
    if (verdict.repeat)
        text += ", a second time for that start";
    if (verdict.unseen)
        text += ", for a clip that began and ended with no frame in it";
    return text;
}

std::string HoldText(const RunRecord& record)
{
    const HoldTotals totals = record.TotalHolds();
    const std::size_t holds = record.holds.size();
    return FormatText("  hold      host time held at 0 for %.3f s in %zu clip%s: %zu datagram%s "
                      "arrived, %llu thread%s started",
                      Seconds(totals.held), holds, holds == 1 ? "" : "s", totals.datagrams,
                      totals.datagrams == 1 ? "" : "s",
                      static_cast<unsigned long long>(totals.threadsStarted),
                      totals.threadsStarted == 1 ? "" : "s");
}

void PrintMessages(Console& console, const RunRecord& record,
                   const std::vector<Expectation>& expectations, const MessageCheck& check)
{
    console.Line(FormatText(
        "  messages  %zu received; %zu of %zu expected arrived; on time is 0 to %.1f ms after due "
        "(one due before a frame could hand it over: to %.1f ms after the first that could)",
        record.arrivals.size(), check.expected - check.missing.size(), check.expected,
        Seconds(check.lateness) * 1000.0, Seconds(check.handoverLateness) * 1000.0));
    for (const MessageVerdict& verdict : check.verdicts)
    {
        const Arrival& arrival = record.arrivals[verdict.arrival];
        const std::string label =
            verdict.expectation ? expectations[*verdict.expectation].label : "?";
        console.Line(FormatText("    %-4s %s  %-19s %s  %s", verdict.Ok() ? "ok" : "FAIL",
                                ClipTime(record, arrival.message.arrival).c_str(), label.c_str(),
                                Timing(record, expectations, check, verdict).c_str(),
                                arrival.message.address.c_str()));
    }
    for (const MissingMessage& missing : check.missing)
    {
        const Expectation& expectation = expectations[missing.expectation];
        console.Line(FormatText("    MISSING %s  %s (%s %s), due at %s", expectation.label.c_str(),
                                expectation.address.c_str(), expectation.delayParameter.c_str(),
                                DelayText(expectation).c_str(),
                                ClipTime(record, missing.due).c_str()));
    }
    for (const Clock::time_point start : check.strayStarts)
        console.Line(FormatText("    STRAY   %s  the plug-in started its sequence where no clip "
                                "started",
                                ClipTime(record, start).c_str()));
}

} // namespace

void PrintSummary(Console& console, const RunRecord& record,
                  const std::vector<Expectation>& expectations, const MessageCheck* check,
                  const std::string& played)
{
    const FrameTimeStats stats = ComputeFrameTimeStats(record.callMilliseconds);
    console.EndStatus();
    console.Line("Summary");
    console.Line(FormatText("  frames    %zu rendered: %s", record.frames.size(), played.c_str()));
    console.Line(
        FormatText("  calls     SetTime + ProcessOpenGL per frame: min %.3f ms, mean %.3f ms, "
                   "p99 %.3f ms, max %.3f ms",
                   stats.min, stats.mean, stats.p99, stats.max));
    if (!record.holds.empty())
        console.Line(HoldText(record));
    if (check)
        PrintMessages(console, record, expectations, *check);
    else
        console.Line("  messages  not listening: they went where \"OSC Host\" and \"OSC Port\" "
                     "point");
}

} // namespace standin
