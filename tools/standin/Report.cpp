#include "tools/standin/Report.h"

#include "tools/standin/FrameTimeStats.h"
#include "tools/standin/JsonLine.h"
#include "tools/standin/Overloaded.h"
#include "tools/standin/TextFormat.h"

#include <stdexcept>

namespace standin
{
namespace
{

std::string JsonValue(const testhost::OscValue& value)
{
    return std::visit(
        Overloaded{
            [](std::monostate) -> std::string { return "null"; },
            [](std::int32_t v) { return std::to_string(v); },
            [](std::int64_t v) { return std::to_string(v); },
            [](float v) { return FormatText("%.9g", static_cast<double>(v)); },
            [](double v) { return FormatText("%.17g", v); },
            [](const std::string& v) { return JsonString(v); },
            [](const std::vector<std::uint8_t>& v) { return std::to_string(v.size()); },
        },
        value);
}

std::string JsonValues(const std::vector<testhost::OscValue>& values)
{
    std::string json(1, '[');
    for (std::size_t i = 0; i < values.size(); ++i)
    {
        if (i > 0)
            json += ',';
        json += JsonValue(values[i]);
    }
    json += ']';
    return json;
}

// "delay_s", or in beats "delay_beats".
void AddDelay(JsonLine& line, const Expectation& expectation)
{
    line.Raw(expectation.inBeats ? "delay_beats" : "delay_s",
             FormatText("%.3f", expectation.delay / 1000.0));
}

void AddVerdict(JsonLine& line, const RunRecord& record,
                const std::vector<Expectation>& expectations, const MessageCheck& check,
                const MessageVerdict& verdict)
{
    if (!verdict.expectation)
    {
        line.Raw("kind", "null");
        return;
    }
    const Expectation& expectation = expectations[*verdict.expectation];
    line.Text("kind", expectation.label);
    AddDelay(line, expectation);
    if (!verdict.cue)
    {
        line.Raw("cue", "null");
        return;
    }
    const Cue& cue = check.cues[*verdict.cue];
    const Clock::time_point arrival = record.arrivals[verdict.arrival].message.arrival;
    line.Text("cue", CueKindName(cue.kind))
        .Raw("since_cue_s", FormatText("%.4f", Seconds(arrival - cue.at)))
        .Raw("late_ms", FormatText("%.1f", Seconds(arrival - verdict.due) * 1000.0))
        .Bool("repeat", verdict.repeat);
}

std::string MessageLine(const RunRecord& record, const std::vector<Expectation>& expectations,
                        const MessageCheck* check, std::size_t index)
{
    const Arrival& arrival = record.arrivals[index];
    const testhost::ReceivedOsc& message = arrival.message;
    JsonLine line;
    line.Text("event", "message")
        .Raw("clip", std::to_string(arrival.clip))
        .Raw("frame", std::to_string(arrival.frame))
        .Raw("clip_time_s", FormatText("%.4f", record.SinceClipStart(message.arrival)))
        .Bool("decoded", message.decoded)
        .Text("address", message.address)
        .Text("types", message.types)
        .Raw("values", JsonValues(message.values));
    if (check)
    {
        const MessageVerdict& verdict = check->verdicts[index];
        AddVerdict(line, record, expectations, *check, verdict);
        line.Bool("ok", verdict.Ok());
    }
    return line.Close();
}

std::string MissingLine(const RunRecord& record, const std::vector<Expectation>& expectations,
                        const MissingMessage& missing)
{
    const Expectation& expectation = expectations[missing.expectation];
    JsonLine line;
    line.Text("event", "missing")
        .Text("kind", expectation.label)
        .Text("address", expectation.address);
    AddDelay(line, expectation);
    return line.Raw("clip", std::to_string(record.ClipAt(missing.due)))
        .Raw("due_clip_time_s", FormatText("%.4f", record.SinceClipStart(missing.due)))
        .Close();
}

void AddHolds(JsonLine& line, const RunRecord& record)
{
    const HoldTotals totals = record.TotalHolds();
    line.Raw("holds", std::to_string(record.holds.size()))
        .Raw("hold_datagrams", std::to_string(totals.datagrams))
        .Raw("hold_threads", std::to_string(totals.threadsStarted));
}

std::string SummaryLine(const RunRecord& record, const MessageCheck* check, int exitStatus)
{
    const FrameTimeStats stats = ComputeFrameTimeStats(record.callMilliseconds);
    JsonLine line;
    line.Text("event", "summary")
        .Raw("clips", std::to_string(record.clipStarts.size()))
        .Raw("frames", std::to_string(record.frames.size()))
        .Raw("messages", std::to_string(record.arrivals.size()))
        .Bool("listening", check != nullptr);
    if (!record.holds.empty())
        AddHolds(line, record);
    if (check)
        line.Raw("expected", std::to_string(check->expected))
            .Raw("missing", std::to_string(check->missing.size()))
            .Raw("stray_starts", std::to_string(check->strayStarts.size()))
            .Bool("passed", check->Passed());
    return line
        .Raw("call_ms", FormatText("{\"min\":%.4f,\"mean\":%.4f,\"p99\":%.4f,\"max\":%.4f}",
                                   stats.min, stats.mean, stats.p99, stats.max))
        .Raw("exit", std::to_string(exitStatus))
        .Close();
}

} // namespace

void WriteReport(std::ostream& out, const RunRecord& record,
                 const std::vector<Expectation>& expectations, const MessageCheck* check,
                 int exitStatus)
{
    for (std::size_t i = 0; i < record.arrivals.size(); ++i)
        out << MessageLine(record, expectations, check, i) << '\n';
    if (check)
    {
        for (const MissingMessage& missing : check->missing)
            out << MissingLine(record, expectations, missing) << '\n';
    }
    out << SummaryLine(record, check, exitStatus) << '\n';
    if (!out.flush())
        throw std::runtime_error("cannot write the report");
}

} // namespace standin
