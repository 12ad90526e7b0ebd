#include "tools/standin/Cue.h"

#include "tools/standin/TextFormat.h"

#include <algorithm>

namespace standin
{
namespace
{

// In the order of Cue::Kind.
struct KindText
{
    std::string_view name;
    std::string_view description;
};

constexpr KindText kKinds[] = {
    {"clip start", "the clip's first frame"},
    {"test", "\"Test\""},
    {"frame gap", "the frame-gap start"},
};

bool AfterStall(const RunRecord& record, const Mark& mark)
{
    return record.stall && mark.at == record.stall->resumed;
}

// The plug-in sees a clip start in its first frame, or at a ping-pong turn in the next.
bool InClipStart(const RunRecord& record, Clock::time_point when)
{
    const std::size_t clip = record.ClipAt(when);
    if (clip == 0)
        return false;
    const auto first =
        std::lower_bound(record.frames.begin(), record.frames.end(), record.clipStarts[clip - 1]);
    return first == record.frames.end() || std::next(first) == record.frames.end() ||
           when <= *std::next(first);
}

bool IsStray(const RunRecord& record, const Mark& mark)
{
    switch (mark.source)
    {
    case Mark::Source::Test:
        return false;
    case Mark::Source::ProcessOpenGL:
        return AfterStall(record, mark);
    case Mark::Source::SetTime:
        break;
    }
    return !InClipStart(record, mark.at);
}

} // namespace

std::vector<Cue> FindCues(const RunRecord& record)
{
    std::vector<Cue> cues;
    for (std::size_t clip = 0; clip < record.clipStarts.size(); ++clip)
        cues.push_back(Cue{Cue::Kind::ClipStart, record.clipStarts[clip], clip + 1});
    for (const Mark& mark : record.marks)
    {
        if (mark.source == Mark::Source::Test)
            cues.push_back(Cue{Cue::Kind::Test, mark.at, record.ClipAt(mark.at)});
        else if (mark.source == Mark::Source::ProcessOpenGL && !AfterStall(record, mark))
            cues.push_back(Cue{Cue::Kind::FrameGap, mark.at, record.ClipAt(mark.at)});
    }
    // A clip's first frame comes before the marks its calls made.
    std::stable_sort(cues.begin(), cues.end(),
                     [](const Cue& a, const Cue& b) { return a.at < b.at; });
    return cues;
}

std::vector<Clock::time_point> FindStrayStarts(const RunRecord& record)
{
    std::vector<Clock::time_point> strays;
    for (const Mark& mark : record.marks)
    {
        if (IsStray(record, mark))
            strays.push_back(mark.at);
    }
    return strays;
}

std::string_view CueKindName(Cue::Kind kind)
{
    return kKinds[static_cast<std::size_t>(kind)].name;
}

std::string DescribeCue(const Cue& cue)
{
    if (cue.kind == Cue::Kind::ClipStart)
        return FormatText("clip %zu's first frame", cue.clip);
    return std::string(kKinds[static_cast<std::size_t>(cue.kind)].description);
}

} // namespace standin
