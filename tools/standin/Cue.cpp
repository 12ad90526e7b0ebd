#include "tools/standin/Cue.h"

#include "tools/standin/TextFormat.h"

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
    {"late start", "the plug-in's late start"},
};

Cue::Kind KindOf(const Mark& mark)
{
    switch (mark.source)
    {
    case Mark::Source::Test:
        return Cue::Kind::Test;
    case Mark::Source::ProcessOpenGL:
        return Cue::Kind::FrameGap;
    case Mark::Source::SetTime:
        break;
    }
    return mark.hostTime <= kRestartWindowSeconds ? Cue::Kind::ClipStart : Cue::Kind::LateStart;
}

Clock::time_point AnchorOf(const Mark& mark, Cue::Kind kind)
{
    if (kind != Cue::Kind::ClipStart)
        return mark.at;
    return mark.at -
           std::chrono::round<Clock::duration>(std::chrono::duration<double>(mark.hostTime));
}

} // namespace

std::vector<Cue> FindCues(const RunRecord& record)
{
    std::vector<Cue> cues;
    std::size_t clip = 0;
    for (const Mark& mark : record.marks)
    {
        // A clip's first frame comes before the marks its calls made.
        for (; clip < record.clipStarts.size() && record.clipStarts[clip] <= mark.at; ++clip)
            cues.push_back(Cue{Cue::Kind::ClipStart, record.clipStarts[clip], clip + 1});
        const Cue::Kind kind = KindOf(mark);
        if (kind == Cue::Kind::ClipStart && !cues.empty() &&
            cues.back().kind == Cue::Kind::ClipStart)
            continue;
        cues.push_back(Cue{kind, AnchorOf(mark, kind), clip});
    }
    for (; clip < record.clipStarts.size(); ++clip)
        cues.push_back(Cue{Cue::Kind::ClipStart, record.clipStarts[clip], clip + 1});
    return cues;
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
