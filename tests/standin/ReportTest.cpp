// The machine-readable report: what a script reads to learn which messages arrived and when.
#include "tools/standin/Report.h"
#include "tools/standin/MessageCheck.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace
{
using standin::Clock;
using standin::Expectation;
using standin::RunRecord;

const Clock::time_point t0 = Clock::now();

Clock::time_point At(int milliseconds)
{
    return t0 + std::chrono::milliseconds(milliseconds);
}

std::vector<std::string> Lines(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(Report, OneLinePerMessageAndMissingOneThenTheSummary)
{
    const std::vector<Expectation> expectations = {
        {"transition duration", "/transition/duration", true, "Delay", 1000},
        // 2 beats at the default 120 BPM, as no tempo was given.
        {"next clip", "/connectnextclip", true, "DelayNextClip", 2000, true},
    };
    RunRecord record;
    record.framePeriod = std::chrono::milliseconds(30);
    record.clipStarts.push_back(standin::ClipStart{At(0), 0});
    record.marks.push_back(standin::Mark{At(30), standin::Mark::Source::SetTime});
    record.holds.push_back(standin::Hold{At(0), At(500), 2});
    for (int frame = 0; frame < 100; ++frame)
    {
        record.frames.push_back(At(frame * 30));
        record.callMilliseconds.push_back(frame + 1.0);
    }
    standin::Arrival arrival;
    arrival.clip = 1;
    arrival.frame = 35;
    arrival.message.decoded = true;
    arrival.message.arrival = At(1002);
    arrival.message.address = "/composition/selectedlayer/transition/duration";
    arrival.message.types = "sf";
    arrival.message.values = {std::string("a\"\\\n"), 1.5f};
    record.arrivals.push_back(arrival);
    const standin::MessageCheck check = standin::CheckMessages(record, expectations);

    std::ostringstream out;
    standin::WriteReport(out, record, expectations, &check, 3);
    const std::vector<std::string> lines = Lines(out.str());

    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0],
              R"({"event":"message","clip":1,"frame":35,"clip_time_s":1.0020,"decoded":true,)"
              R"("address":"/composition/selectedlayer/transition/duration","types":"sf",)"
              R"("values":["a\"\\\u000a",1.5],"kind":"transition duration","delay_s":1.000,)"
              R"("cue":"clip start","since_cue_s":1.0020,"late_ms":2.0,"repeat":false,)"
              R"("ok":true})");
    EXPECT_EQ(lines[1], R"({"event":"missing","kind":"next clip","address":"/connectnextclip",)"
                        R"("delay_beats":2.000,"clip":1,"due_clip_time_s":1.0000})");
    // Call times 1 to 100 ms: the 99th percentile by nearest rank is 99 ms.
    EXPECT_EQ(lines[2],
              R"({"event":"summary","clips":1,"frames":100,"messages":1,"listening":true,)"
              R"("holds":1,"hold_datagrams":0,"hold_threads":2,"expected":2,"missing":1,)"
              R"("stray_starts":0,)"
              R"("passed":false,)"
              R"("call_ms":{"min":1.0000,"mean":50.5000,"p99":99.0000,"max":100.0000},"exit":3})");
}

} // namespace
