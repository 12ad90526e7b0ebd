#include "tools/standin/Cue.h"

#include "tools/standin/TextFormat.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

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
    {"clip start", "the clip's start"},
    {"test", "\"Test\""},
    {"frame gap", "the frame-gap start"},
};

bool AfterGap(const RunRecord& record, const Mark& mark)
{
    return std::any_of(record.gaps.begin(), record.gaps.end(),
                       [&mark](const Gap& gap) { return mark.at == gap.resumed; });
}

// A stop of the frames (more than half a second) that the plug-in counts as a clip start: in the
// first frame after it, or in the next one, where it waits to tell a stop from a turn inside it.
// Answers that first frame.
std::optional<Clock::time_point> FrameGapStart(const RunRecord& record, const Mark& mark)
{
    const std::vector<Clock::time_point>& frames = record.frames;
    const auto call = std::lower_bound(frames.begin(), frames.end(), mark.at);
    const std::size_t frame = static_cast<std::size_t>(call - frames.begin());
    for (std::size_t after = frame; after + 1 >= frame && after >= 1 && after < frames.size();
         --after)
        if (frames[after] - frames[after - 1] > std::chrono::milliseconds(500))
            return frames[after];
    return std::nullopt;
}

// The plug-in sees a pass begin in the first frame that can show it, or in the next.
bool InClipStart(const RunRecord& record, Clock::time_point when)
{
    const std::size_t clip = record.ClipAt(when);
    if (clip == 0)
        return false;
    const std::optional<std::size_t> shown = record.clipStarts[clip - 1].shownBy;
    return !shown || *shown + 1 >= record.frames.size() || when <= record.frames[*shown + 1];
}

bool IsStray(const RunRecord& record, const Mark& mark)
{
    switch (mark.source)
    {
    case Mark::Source::Test:
        return false;
    case Mark::Source::ProcessOpenGL:
        return AfterGap(record, mark) && !InClipStart(record, mark.at);
    case Mark::Source::SetTime:
        break;
    }
    return !InClipStart(record, mark.at) &&
           !(FrameGapStart(record, mark) && !AfterGap(record, mark));
}

} // namespace

std::vector<Cue> FindCues(const RunRecord& record)
{
    std::vector<Cue> cues;
    for (std::size_t clip = 0; clip < record.clipStarts.size(); ++clip)
        cues.push_back(Cue{Cue::Kind::ClipStart, record.clipStarts[clip].at, clip + 1});
    for (const Mark& mark : record.marks)
    {
        if (mark.source == Mark::Source::Test)
            cues.push_back(Cue{Cue::Kind::Test, mark.at, record.ClipAt(mark.at)});
        else if (mark.source == Mark::Source::ProcessOpenGL && !AfterGap(record, mark))
            cues.push_back(Cue{Cue::Kind::FrameGap, mark.at, record.ClipAt(mark.at)});
        else if (const std::optional<Clock::time_point> gap = FrameGapStart(record, mark);
                 gap && !AfterGap(record, mark) && !InClipStart(record, mark.at))
            cues.push_back(Cue{Cue::Kind::FrameGap, *gap, record.ClipAt(mark.at)});
    }
    // A pass begins before the marks its frames made.
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
        return FormatText("clip %zu's start", cue.clip);
    return std::string(kKinds[static_cast<std::size_t>(cue.kind)].description);
}

} // namespace standin
